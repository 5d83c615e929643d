#pragma once
// The wait dialog shown while a setup program runs: a topmost window on a thread of its
// own that counts the seconds, so that it keeps painting while the worker waits.
#include <atomic>

#include "ui/win32/dialog_layer.h"
#include "ui/win32/page_controls.h"

class CWaitDlg : public win32::ModelessDialog {
  public:
    CWaitDlg();

    static constexpr UINT_PTR kSecondTimer = 1;
    static constexpr int kBarRange = 300;

  protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;

  private:
    win32::PageControls controls_;
    int barPosition_ = 0;
    int elapsedSeconds_ = 0;
};

// The thread that owns a wait dialog. Deletes itself when its message loop has ended.
class CWaitThread {
  public:
    // Starts the thread; the dialog appears shortly after (see Dialog).
    static CWaitThread* Start();

    // The dialog's window once it exists, else null.
    HWND Dialog() const { return dialogWindow_.load(); }
    DWORD ThreadId() const { return threadId_; }
    // Hides the dialog, stops dispatching and ends the thread. The object must not be
    // used afterwards.
    void TakeDown();

  private:
    CWaitThread() = default;
    static DWORD WINAPI ThreadProc(void* self);
    void Run();

    CWaitDlg dialog_;
    std::atomic<HWND> dialogWindow_{nullptr};
    std::atomic<int> closing_{0};
    DWORD threadId_ = 0;
};
