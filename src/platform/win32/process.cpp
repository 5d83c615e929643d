#include "platform/process.h"

#include <windows.h>

#include <vector>

namespace platform {

Process::~Process() {
    Close();
}

Process::Process(Process&& other) noexcept
    : process_(other.process_),
      thread_(other.thread_),
      processId_(other.processId_),
      threadId_(other.threadId_) {
    other.process_ = nullptr;
    other.thread_ = nullptr;
    other.processId_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Close();
        process_ = other.process_;
        thread_ = other.thread_;
        processId_ = other.processId_;
        threadId_ = other.threadId_;
        other.process_ = nullptr;
        other.thread_ = nullptr;
        other.processId_ = 0;
    }
    return *this;
}

bool Process::Start(const ProcessCommand& command, const std::wstring& workingDirectory) {
    Close();
    // CreateProcessW may write into the command line, so it gets a private copy.
    std::vector<wchar_t> line(command.commandLine.begin(), command.commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = command.shown ? SW_SHOW : SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                        &info))
        return false;
    process_ = info.hProcess;
    thread_ = info.hThread;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    return true;
}

WaitResult Process::Wait(unsigned milliseconds) {
    if (process_ == nullptr)
        return WaitResult::Failed;
    switch (WaitForSingleObject(static_cast<HANDLE>(process_), milliseconds)) {
        case WAIT_OBJECT_0:
            return WaitResult::Ended;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

bool Process::IsStarted() const {
    return process_ != nullptr;
}

void Process::Close() {
    if (process_ != nullptr)
        CloseHandle(static_cast<HANDLE>(process_));
    if (thread_ != nullptr)
        CloseHandle(static_cast<HANDLE>(thread_));
    process_ = nullptr;
    thread_ = nullptr;
    processId_ = 0;
    threadId_ = 0;
}

namespace {

// For a window of the setup program, the top of its owner chain (the owner's owner) is
// made topmost so that it is not lost behind the wizard; enumeration stops there.
BOOL CALLBACK RaiseSetupWindow(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != static_cast<DWORD>(processId))
        return TRUE;
    HWND parent = GetParent(window);
    HWND grandparent = parent != nullptr ? GetParent(parent) : nullptr;
    if (grandparent == nullptr)
        return TRUE;
    SetWindowPos(grandparent, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return FALSE;
}

}  // namespace

bool MakeProgramRunnable(const std::wstring&) {
    return true;
}

void RaiseProcessWindows(uint32_t processId) {
    EnumWindows(RaiseSetupWindow, static_cast<LPARAM>(processId));
}

}  // namespace platform
