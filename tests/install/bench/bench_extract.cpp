// Extracts one archive with the installer's extraction and reports its wall time and
// the process's peak resident memory (scripts/bench-extract).
//
//   bench_extract <archive> <destination> [password]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "install/extract_packages.h"
#include "platform/text_codec.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <archive> <destination> [password]\n", argv[0]);
        return 2;
    }
    const std::wstring archive = text::SystemToWide(argv[1]);
    const std::wstring destination = text::SystemToWide(argv[2]);
    const std::wstring password = argc > 3 ? text::SystemToWide(argv[3]) : std::wstring();
    int failures = 0;
    ExtractOptions options;
    options.log = [&failures](const std::wstring& line) {
        ++failures;
        std::fprintf(stderr, "%s\n", text::WideToUtf8(line).c_str());
    };
    const auto start = std::chrono::steady_clock::now();
    const bool opened = ExtractArchive(archive, destination, password, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("engine_seconds=%.3f peak_rss_kib=%ld failed_entries=%d\n", seconds,
                usage.ru_maxrss, failures);
    return opened && failures == 0 ? 0 : 1;
}
