#include "wizard_driver/target_process.h"

namespace wizard_driver {

TargetProcess::~TargetProcess() {
    if (process_) {
        CloseHandle(process_);
    }
}

bool TargetProcess::Start(const std::wstring& program, const std::wstring& tail,
                          std::wstring& error) {
    if (process_) {
        error = L"a process was started already";
        return false;
    }
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!tail.empty()) {
        commandLine += L" " + tail;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS, nullptr, nullptr, &startup, &info)) {
        error = L"CreateProcess failed with error " + std::to_wstring(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return true;
}

bool TargetProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process_, &exitCode) != FALSE;
}

}  // namespace wizard_driver
