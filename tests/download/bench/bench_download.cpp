// Downloads one file from two loopback mirrors (HTTP and FTP) with the segmented engine
// and prints throughput against the engine's ceiling, peak resident memory and CPU time.
//
//   bench_download <directory> <file name>
//
// The HTTP mirror runs in a child process and the FTP mirror is pyftpdlib, so the
// figures are the engine's own.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "download/download_manager.h"
#include "file_mirror_server.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "support/ftp_test_server.h"

namespace {

bool SameFiles(const std::string& a, const std::string& b) {
    platform::File fa;
    platform::File fb;
    if (!fa.Open(text::SystemToWide(a), platform::File::Mode::Read) ||
        !fb.Open(text::SystemToWide(b), platform::File::Mode::Read))
        return false;
    std::vector<char> ba(1 << 20);
    std::vector<char> bb(1 << 20);
    for (;;) {
        const int64_t na = fa.Read(ba.data(), ba.size());
        const int64_t nb = fb.Read(bb.data(), bb.size());
        if (na != nb || na < 0)
            return false;
        if (na == 0)
            return true;
        if (!std::equal(ba.begin(), ba.begin() + na, bb.begin()))
            return false;
    }
}

// Serves the file from a child process until the parent closes the pipe; the port
// comes back through another pipe.
pid_t StartHttpMirror(const std::string& path, int64_t size, int& port, int& keepAliveFd) {
    int portPipe[2];
    int lifePipe[2];
    if (pipe2(portPipe, O_CLOEXEC) != 0 || pipe2(lifePipe, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(portPipe[0]);
        close(lifePipe[1]);
        {
            FileMirrorServer server;
            server.AddDiskFile("bench.bin", path, size);
            const int p = server.port();
            if (write(portPipe[1], &p, sizeof p) != sizeof p)
                _exit(1);
            char c;
            while (read(lifePipe[0], &c, 1) > 0) {
            }
        }
        _exit(0);
    }
    close(portPipe[1]);
    close(lifePipe[0]);
    port = 0;
    if (pid < 0 || read(portPipe[0], &port, sizeof port) != sizeof port)
        port = 0;
    close(portPipe[0]);
    keepAliveFd = lifePipe[1];
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <directory> <file name>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string name = argv[2];
    const std::string source = dir + "/" + name;
    platform::File probe;
    if (!probe.Open(text::SystemToWide(source), platform::File::Mode::Read)) {
        std::fprintf(stderr, "cannot read %s\n", source.c_str());
        return 1;
    }
    const int64_t size = probe.Size();
    probe.Close();

    int httpPort = 0;
    int keepAliveFd = -1;
    const pid_t httpPid = StartHttpMirror(source, size, httpPort, keepAliveFd);
    if (httpPid < 0 || httpPort == 0) {
        std::fprintf(stderr, "HTTP mirror did not start\n");
        return 1;
    }
    FtpTestServer ftp(dir, "bench", "bench-pw");
    if (!ftp.Start()) {
        std::fprintf(stderr, "FTP mirror: %s\n", ftp.error().c_str());
        return 1;
    }

    CDownloadManager& manager = CDownloadManager::Instance();
    manager.logPath = text::SystemToWide(dir + "/bench-" + name + ".log");
    CDownloadTask task;
    task.name = name;
    task.targetPath = dir + "/downloaded-" + name;
    const std::string httpUrl = "http://127.0.0.1:" + std::to_string(httpPort) + "/bench.bin";
    if (!manager.AddMirror(task, httpUrl, false) || !manager.AddMirror(task, ftp.Url(name), true)) {
        std::fprintf(stderr, "a mirror was refused\n");
        return 1;
    }

    const auto begin = std::chrono::steady_clock::now();
    const bool ok = task.Run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    close(keepAliveFd);
    int status = 0;
    waitpid(httpPid, &status, 0);
    ftp.Stop();

    const bool identical = ok && SameFiles(source, task.targetPath);
    const double ceiling =
        static_cast<double>(CDownloadTask::kThreadCount * CDownloadTask::kMaxReceiveBytesPerSecond);
    const double ratio = static_cast<double>(size) / seconds / ceiling;
    const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("# %s: %.1f MiB in %.1f s (%.2f MiB/s), %s\n", name.c_str(),
                static_cast<double>(size) / (1 << 20), seconds,
                static_cast<double>(size) / (1 << 20) / seconds,
                identical ? "byte-identical" : "FAILED");
    std::printf("throughput_ratio=%.3f peak_rss_mib=%.1f cpu_s=%.2f size_mib=%.0f\n", ratio,
                peakMiB, cpu, static_cast<double>(size) / (1 << 20));
    std::remove(task.targetPath.c_str());
    return identical ? 0 : 1;
}
