#include "platform/process.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/text_codec.h"

extern char** environ;

namespace platform {

Process::~Process() {
    Close();
}

Process::Process(Process&& other) noexcept
    : processId_(other.processId_), threadId_(other.threadId_), reaped_(other.reaped_) {
    other.processId_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Close();
        processId_ = other.processId_;
        threadId_ = other.threadId_;
        reaped_ = other.reaped_;
        other.processId_ = 0;
    }
    return *this;
}

bool Process::Start(const ProcessCommand& command, const std::wstring& workingDirectory) {
    Close();
    if (command.program.empty())
        return false;
    std::vector<std::string> words;
    words.push_back(text::WideToSystem(command.program));
    for (const auto& argument : command.arguments)
        words.push_back(text::WideToSystem(argument));
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The program is started directly, never through a shell, and its output stays out
    // of the installer's terminal.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string directory = text::WideToSystem(workingDirectory);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    processId_ = static_cast<uint32_t>(pid);
    threadId_ = processId_;
    reaped_ = false;
    return true;
}

WaitResult Process::Wait(unsigned milliseconds) {
    if (processId_ == 0)
        return WaitResult::Failed;
    if (reaped_)
        return WaitResult::Ended;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(static_cast<pid_t>(processId_), &status, WNOHANG);
        if (done == static_cast<pid_t>(processId_)) {
            reaped_ = true;
            return WaitResult::Ended;
        }
        if (done < 0 && errno != EINTR)
            return WaitResult::Failed;
        if (std::chrono::steady_clock::now() >= deadline)
            return WaitResult::TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Process::IsStarted() const {
    return processId_ != 0;
}

void Process::Close() {
    // A child that is still running is left alone; it is collected when it ends only if
    // someone waits for it, which the setup runner always does.
    processId_ = 0;
    threadId_ = 0;
    reaped_ = false;
}

void RaiseProcessWindows(uint32_t) {}

bool MakeProgramRunnable(const std::wstring& path) {
    const std::string narrow = text::WideToSystem(path);
    struct stat st;
    if (stat(narrow.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // Execute permission follows read permission: owner, group and others alike.
    const mode_t mode = st.st_mode | ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2);
    return mode == st.st_mode || chmod(narrow.c_str(), mode & 07777) == 0;
}

}  // namespace platform
