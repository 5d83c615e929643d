#pragma once
// How the install engine and its steps reach the user: the download page of the Win32
// wizard implements this by marshalling to its UI thread, the console front-end prints,
// tests record. Every call may come from the worker thread.
#include <string>

// The runtime generation chosen on the download page.
enum class RuntimeChoice { Default, Net20, Net40 };

// Timers of the download page.
inline constexpr int kProgressTimer = 2;  // progress tick, every 150 ms
inline constexpr int kActivityTimer = 3;  // log animation while an archive unpacks, 333 ms

// Wizard button values (Back 1, Next 2, Finish 4; 16 shows none of them).
inline constexpr int kWizardNext = 2;
inline constexpr int kWizardBackNext = 3;
inline constexpr int kWizardFinish = 4;
inline constexpr int kWizardNone = 16;

class IInstallFrontEnd {
  public:
    virtual ~IInstallFrontEnd() = default;

    // The log list of the download page: one new line at the end, scrolled into view.
    virtual void AddLogLine(const std::wstring& line) = 0;
    // Rewrites the last line of the log list (the activity animation).
    virtual void ReplaceLastLogLine(const std::wstring& line) { (void)line; }

    // The package list: rows of seven cells (file name, size, progress, speed, time,
    // remaining, version).
    virtual void ClearRows() = 0;
    virtual void InsertRow(int row, const std::wstring& fileName) = 0;
    virtual void SetCell(int row, int column, const std::wstring& text) = 0;

    virtual void StartTimer(int id, unsigned periodMilliseconds) = 0;
    virtual void StopTimer(int id) = 0;

    // The setup runner's status line.
    virtual void ShowStatusLine(bool visible) = 0;
    virtual void SetStatusText(const std::wstring& text) = 0;

    // The wait dialog shown while a setup program runs: started, polled until it
    // exists, shown, and ended when the program has finished.
    virtual void StartWaitDialog() = 0;
    virtual bool WaitDialogReady() = 0;
    virtual void ShowWaitDialog() = 0;
    virtual void EndWaitDialog() = 0;

    // Read when each step needs it, as the radio buttons stand at that moment.
    virtual RuntimeChoice GetRuntimeChoice() = 0;

    virtual void SetWizardButtons(int value) = 0;
    // Moves the wizard to the finish page.
    virtual void GoToNextPage() = 0;
};
