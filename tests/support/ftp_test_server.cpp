#ifndef _WIN32
#include "support/ftp_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

extern char** environ;

namespace {

// Debian's interpreter: the one that has python3-pyftpdlib.
constexpr const char* kPython = "/usr/bin/python3";

// Prints the port once listening; leaves when its stdin closes (the test process ended).
constexpr const char* kServerScript = R"PY(
import logging, os, sys, threading
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.CRITICAL)
directory, user, password = sys.argv[1:4]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, directory, perm="elr")
class Handler(FTPHandler):
    pass
Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
server.max_cons = 256
def watch_stdin():
    sys.stdin.read()
    os._exit(0)
threading.Thread(target=watch_stdin, daemon=True).start()
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(handle_exit=True)
)PY";

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

}  // namespace

FtpTestServer::FtpTestServer(std::string directory, std::string user, std::string password)
    : directory_(std::move(directory)), user_(std::move(user)), password_(std::move(password)) {}

FtpTestServer::~FtpTestServer() {
    Stop();
}

bool FtpTestServer::Start() {
    if (access(kPython, X_OK) != 0) {
        error_ = "no /usr/bin/python3";
        return false;
    }
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    // Descriptors the test process left inheritable (pipes of other helpers) must not keep
    // their peers waiting on this server.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    const char* argv[] = {
        kPython,           "-c",   kServerScript, directory_.c_str(), user_.c_str(),
        password_.c_str(), nullptr};
    const int spawned =
        posix_spawn(&pid_, kPython, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        error_ = "cannot start python3";
        return false;
    }

    // The port line, within a few seconds.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        char buffer[64];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        error_ = "pyftpdlib server did not start (is python3-pyftpdlib installed?)";
        Stop();
        return false;
    }
    while (!Accepts(port_)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "pyftpdlib server does not accept connections";
            Stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void FtpTestServer::Stop() {
    if (stdinFd_ >= 0) {
        close(stdinFd_);
        stdinFd_ = -1;
    }
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    port_ = 0;
}

std::string FtpTestServer::Url(const std::string& name) const {
    return "ftp://" + user_ + ":" + password_ + "@127.0.0.1:" + std::to_string(port_) + "/" + name;
}
#endif
