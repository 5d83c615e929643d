// scripts/serve-demo end to end: the service, both mirrors and the demo catalog come up
// on free ports, the installer's own client and download engine use them, and SIGTERM
// stops everything.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "app/install_context.h"
#include "download/download_manager.h"
#include "download/file_digest.h"
#include "live_service.h"
#include "platform/text_codec.h"

extern char** environ;

namespace {

// A child process whose standard output the test reads line by line.
class Child {
  public:
    explicit Child(const std::vector<std::string>& argv) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }

    ~Child() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    // The first output line that begins with `prefix`, or empty after `seconds`.
    std::string WaitForLine(const std::string& prefix, int seconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            size_t newline;
            while ((newline = buffer_.find('\n')) != std::string::npos) {
                const std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                if (line.compare(0, prefix.size(), prefix) == 0)
                    return line;
            }
            pollfd entry{out_, POLLIN, 0};
            if (poll(&entry, 1, 200) > 0) {
                char chunk[512];
                const ssize_t got = read(out_, chunk, sizeof chunk);
                if (got <= 0)
                    return {};
                buffer_.append(chunk, static_cast<size_t>(got));
            }
        }
        return {};
    }

    // Sends the signal and waits; the exit status, or -1 when it did not end in time.
    int Stop(int signal, int seconds) {
        kill(pid_, signal);
        for (int i = 0; i < seconds * 10; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }

    bool Started() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

std::map<std::string, std::string> Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const size_t equals = word.find('=');
        if (equals != std::string::npos)
            fields[word.substr(0, equals)] = word.substr(equals + 1);
    }
    return fields;
}

bool Listening(const std::string& address) {
    const size_t colon = address.find(':');
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(std::stoi(address.substr(colon + 1))));
    inet_pton(AF_INET, "127.0.0.1", &target.sin_addr);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0;
    close(fd);
    return connected;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(ServeDemo, ServesTheDemoFromBothMirrorsAndStopsOnSigterm) {
    ScopedTempDir temp;
    const std::string state = text::WideToUtf8(temp.path()) + "/state";
    Child demo({"/usr/bin/python3", REPO_SOURCE_DIR "/scripts/serve-demo", "--port", "0",
                "--http-port", "0", "--ftp-port", "0", "--state", state, "--binary",
                INSTALL_SERVICE_BINARY});
    ASSERT_TRUE(demo.Started());
    const auto ready = Fields(demo.WaitForLine("READY ", 60));
    ASSERT_FALSE(ready.empty()) << "serve-demo did not come up; see " << state;
    for (const char* key : {"service", "http", "ftp", "events"})
        ASSERT_TRUE(ready.count(key)) << key;

    CInstallContext context({text::Utf8ToWide(ready.at("service"))},
                            text::Utf8ToWide(state) + L"/Install.log");
    std::wstring result;
    ServiceRecordList servers;
    ASSERT_TRUE(context.DownServerList(servers, result)) << result;
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0][L"ip"], text::Utf8ToWide(ready.at("http")));
    EXPECT_EQ(servers[1][L"ip"], text::Utf8ToWide(ready.at("ftp")));
    ASSERT_TRUE(context.FirstPage(context.config, result)) << result;
    context.SetParam(L"netver", L"4.0");
    ServiceRecordList plan;
    ASSERT_TRUE(context.NeedDown(plan, result)) << result;
    const auto data = std::find_if(plan.begin(), plan.end(), [](const ServiceRecord& r) {
        return FieldOf(r, L"filename") == L"qz-data.zip";
    });
    ASSERT_NE(data, plan.end());
    EXPECT_EQ(FieldOf(*data, L"rarpassword"), L"Qz-Data.Pass-7");
    // Every package comes with the digest of the served file.
    std::string digest;
    ASSERT_TRUE(FileSha256(text::Utf8ToWide(state + "/files/qz/qz-data.zip"), digest));
    EXPECT_EQ(FieldOf(*data, L"sha256"), text::Utf8ToWide(digest));

    // The agreement text as the initialization fetches it, from each server.
    const std::wstring copyright = context.config[L"copyright"];
    for (const auto& server : servers) {
        ServiceRecord account;
        ASSERT_TRUE(context.GetFtp(FieldOf(server, L"ip"), copyright, account, result)) << result;
        const std::wstring scheme = FieldOf(server, L"ftp") == L"Y" ? L"ftp" : L"http";
        const std::wstring local = text::Utf8ToWide(state) + L"/agreement-" + scheme + L".txt";
        EXPECT_TRUE(DownloadFile(CDownloadManager::Instance(),
                                 scheme + L"://" + account[L"username"] + L":" +
                                     account[L"password"] + L"@" + FieldOf(server, L"ip") + L"/" +
                                     copyright,
                                 local));
        EXPECT_EQ(ReadFile(text::WideToUtf8(local)), ReadFile(state + "/files/qz/agreement.txt"));
    }

    // The password-protected package from both mirrors at once, URLs formed as the
    // installer forms them.
    CDownloadManager& manager = CDownloadManager::Instance();
    CDownloadTask task(manager, manager.router);
    task.name = "qz-data.zip";
    task.targetPath = state + "/qz-data.zip";
    const std::wstring name = FieldOf(*data, L"downfilename");
    for (const auto& server : servers) {
        ServiceRecord account;
        ASSERT_TRUE(context.GetFtp(FieldOf(server, L"ip"), L"qz-data.zip", account, result));
        const std::string user = text::WideToUtf8(account[L"username"]);
        const std::string password = text::WideToUtf8(account[L"password"]);
        const std::string host = text::WideToUtf8(FieldOf(server, L"ip"));
        const bool ftp = FieldOf(server, L"ftp") == L"Y";
        const std::string url =
            ftp ? "ftp://" + user + ":" + password + "@" + host + "/" + text::WideToUtf8(name)
                : "http://" + host + text::WideToUtf8(name) + "?username=" + user +
                      "&password=" + password;
        EXPECT_TRUE(manager.AddMirror(task, url, ftp)) << host;
    }
    ASSERT_EQ(task.mirrors.size(), 2u);
    ASSERT_TRUE(task.Run());
    const std::string original = ReadFile(state + "/files/qz/qz-data.zip");
    EXPECT_GT(original.size(), 4u * 131072);
    EXPECT_TRUE(ReadFile(state + "/qz-data.zip") == original);
    // Blocks came from both mirrors.
    EXPECT_GT(Count(ReadFile(state + "/service.log"), "GET /qz/qz-data.zip"), 0u);
    EXPECT_GT(Count(ReadFile(state + "/ftp.log"), "/files/qz/qz-data.zip completed="), 0u);

    ServiceRecord answer;
    ASSERT_TRUE(context.FtpOk(L"qz-data.zip", answer, result)) << result;
    ASSERT_TRUE(context.SetupOk(answer, result)) << result;
    const auto events = ReadEvents(ready.at("events"));
    std::vector<std::string> kinds;
    for (const auto& event : events)
        if (event["guid"].asString() == text::WideToUtf8(context.config[L"guid"]))
            kinds.push_back(event["event"].asString());
    EXPECT_EQ(kinds, (std::vector<std::string>{"firstpage", "needdown", "ftpok", "setupok"}));

    EXPECT_EQ(demo.Stop(SIGTERM, 15), 0);
    for (const char* key : {"service", "http", "ftp"})
        EXPECT_FALSE(Listening(ready.at(key))) << key << " still listens";
}

size_t AppendTo(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// One HTTPS GET that trusts `authority` alone; the libcurl result and the body.
CURLcode HttpsGet(const std::string& url, const std::string& authority, std::string& body) {
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_CAINFO, authority.c_str());
    curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendTo);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    const CURLcode code = curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    return code;
}

TEST(ServeDemo, ServesOverHttpsWithAThrowAwayAuthority) {
    ScopedTempDir temp;
    const std::string state = text::WideToUtf8(temp.path()) + "/state";
    Child demo({"/usr/bin/python3", REPO_SOURCE_DIR "/scripts/serve-demo", "--port", "0",
                "--http-port", "0", "--ftp-port", "0", "--tls", "--tls-port", "0", "--state", state,
                "--binary", INSTALL_SERVICE_BINARY});
    ASSERT_TRUE(demo.Started());
    const auto ready = Fields(demo.WaitForLine("READY ", 60));
    ASSERT_TRUE(ready.count("https") && ready.count("ca")) << "no HTTPS; see " << state;
    EXPECT_EQ(ready.at("ca"), state + "/tls/ca.pem");

    const std::string query = "/inst/?comname=Vornel&appid=qz&action=getver";
    const std::string port = ready.at("https").substr(ready.at("https").find(':'));
    // The certificate names the host name and the loopback addresses.
    for (const std::string host : {"localhost", "127.0.0.1"}) {
        std::string body;
        EXPECT_EQ(HttpsGet("https://" + host + port + query, ready.at("ca"), body), CURLE_OK)
            << host;
        EXPECT_EQ(body.substr(0, 3), "OK[") << host;
    }
    // The machine's authorities do not know it.
    std::string body;
    EXPECT_EQ(
        HttpsGet("https://localhost" + port + query, "/etc/ssl/certs/ca-certificates.crt", body),
        CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(demo.Stop(SIGTERM, 15), 0);
}

}  // namespace
