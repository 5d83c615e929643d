#include "ui/win32/wait_dialog.h"

#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"

CWaitDlg::CWaitDlg() : ModelessDialog(IDD_WAIT_DIALOG) {}

BOOL CWaitDlg::OnInitDialog() {
    controls_.SetMarkup(window_, IDC_WAIT_MESSAGE, WaitMessageMarkup(), true);
    const HWND bar = Item(IDC_WAIT_BAR);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SendMessageW(bar, PBM_SETRANGE32, 0, kBarRange);
    barPosition_ = 0;
    elapsedSeconds_ = 0;
    SetTimer(window_, kSecondTimer, 1000, nullptr);
    return FALSE;
}

void CWaitDlg::OnTimer(UINT_PTR id) {
    if (id != kSecondTimer)
        return;
    ++barPosition_;
    SendMessageW(Item(IDC_WAIT_BAR), PBM_SETPOS, barPosition_, 0);
    ++elapsedSeconds_;
    controls_.SetMarkup(window_, IDC_WAIT_MESSAGE, WaitMessageMarkup(elapsedSeconds_), true);
}

CWaitThread* CWaitThread::Start() {
    auto* thread = new CWaitThread;
    const HANDLE handle =
        CreateThread(nullptr, 0, &CWaitThread::ThreadProc, thread, 0, &thread->threadId_);
    if (handle == nullptr) {
        delete thread;
        return nullptr;
    }
    CloseHandle(handle);
    return thread;
}

DWORD WINAPI CWaitThread::ThreadProc(void* self) {
    auto* thread = static_cast<CWaitThread*>(self);
    thread->Run();
    delete thread;
    return 0;
}

void CWaitThread::Run() {
    if (dialog_.Create(nullptr))
        dialogWindow_.store(dialog_.Handle());
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Once closing, nothing but the quit message is dispatched.
        if (closing_.load() != 0)
            continue;
        if (!IsDialogMessageW(dialog_.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    dialogWindow_.store(nullptr);
    dialog_.Destroy();
}

void CWaitThread::TakeDown() {
    const HWND window = dialogWindow_.load();
    if (window != nullptr)
        ShowWindow(window, SW_HIDE);
    closing_.store(1);
    // A thread that has only just started may not have its message queue yet.
    const DWORD threadId = threadId_;
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (PostThreadMessageW(threadId, WM_QUIT, 0, 0))
            return;
        Sleep(10);
    }
}
