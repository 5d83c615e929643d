#pragma once
// Starting a program (hidden unless asked otherwise) in a given working directory, and waiting
// for it.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Windows starts `commandLine` as CreateProcessW reads it (the first word is the
// program). Linux starts `program` directly with `arguments` (no shell is involved).
struct ProcessCommand {
    std::wstring commandLine;
    std::wstring program;
    std::vector<std::wstring> arguments;
    // Windows: the program's window is shown (a browser) instead of hidden.
    bool shown = false;
};

enum class WaitResult { Ended, TimedOut, Failed };

class Process {
  public:
    Process() = default;
    ~Process();  // closes the handles; the program keeps running
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;

    // Starts the program with its window hidden (Windows) or its output kept out of the
    // terminal (Linux). False when it cannot be started.
    bool Start(const ProcessCommand& command, const std::wstring& workingDirectory);
    WaitResult Wait(unsigned milliseconds);
    uint32_t Id() const { return processId_; }
    uint32_t ThreadId() const { return threadId_; }
    bool IsStarted() const;
    void Close();

  private:
    void* process_ = nullptr;  // Windows process handle
    void* thread_ = nullptr;   // Windows primary-thread handle
    uint32_t processId_ = 0;
    uint32_t threadId_ = 0;
    bool reaped_ = false;  // Linux: the child's exit status was collected
};

// Downloaded programs arrive without the executable bit on Linux: grant it where the
// file may be read. Windows needs nothing. False when the file cannot be changed.
bool MakeProgramRunnable(const std::wstring& path);

// Brings the top window of a setup program's window chain to the top (Windows); Linux
// has no window owners to walk and does nothing.
void RaiseProcessWindows(uint32_t processId);

}  // namespace platform
