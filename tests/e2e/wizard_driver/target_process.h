#pragma once
// The installer process the driver starts and watches.
#include <windows.h>

#include <string>

namespace wizard_driver {

class TargetProcess {
  public:
    TargetProcess() = default;
    ~TargetProcess();
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    // Starts the program with the command-line tail, as a double click with arguments
    // would: no console, no inherited handles.
    bool Start(const std::wstring& program, const std::wstring& tail, std::wstring& error);
    // True with the exit code once the process has ended within the time.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;
    DWORD id() const { return processId_; }

  private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

}  // namespace wizard_driver
