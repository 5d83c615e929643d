#pragma once
// The least layer between Win32 dialogs and C++ objects: one dialog procedure that
// carries `this` (stored in DWLP_USER) to virtual handlers, for modal and modeless
// dialogs and for the pages of a wizard-mode property sheet. Pages hold the behaviour;
// this layer only routes messages.
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace win32 {

class DialogWindow {
  public:
    DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow() = default;

    HWND Handle() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;

  protected:
    // TRUE lets the system put the focus on the first control that takes it.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnTimer(UINT_PTR id) { (void)id; }
    // A button click or another control notification; true when handled.
    virtual bool OnCommand(int id, int code) {
        (void)id;
        (void)code;
        return false;
    }
    // Any other message; true with `result` when handled (the dialog procedure's return).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
        (void)message;
        (void)wParam;
        (void)lParam;
        (void)result;
        return false;
    }
    // The window is going away; the object stays.
    virtual void OnDestroy() {}

    // Routes one message; pages extend it for their notifications.
    virtual INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Sets the result of a notification and reports it handled.
    INT_PTR NotifyResult(LONG_PTR value);

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Route(DialogWindow* self, HWND window, UINT message, WPARAM wParam,
                         LPARAM lParam);

    HWND window_ = nullptr;
};

// A modal dialog on a template of the module's resources.
class ModalDialog : public DialogWindow {
  public:
    explicit ModalDialog(int templateId) : templateId_(templateId) {}
    // IDOK, IDCANCEL or whatever EndDialog was given; -1 when the template is missing.
    INT_PTR DoModal(HWND parent = nullptr);
    void EndDialog(INT_PTR result);

  protected:
    bool OnCommand(int id, int code) override;

  private:
    int templateId_;
};

// A modeless dialog: created, then it lives on the creating thread's message loop.
class ModelessDialog : public DialogWindow {
  public:
    explicit ModelessDialog(int templateId) : templateId_(templateId) {}
    bool Create(HWND parent);
    void Destroy();

  private:
    int templateId_;
};

// One page of a wizard-mode property sheet.
class PropertyPage : public DialogWindow {
  public:
    explicit PropertyPage(int templateId) : templateId_(templateId) {}
    HPROPSHEETPAGE CreatePage();
    // The frame that holds the page.
    HWND Sheet() const { return GetParent(window_); }
    // Posts the wizard buttons (1 Back, 2 Next, 4 Finish, 16 none).
    void PostWizardButtons(int value) const;

  protected:
    // True accepts the activation.
    virtual bool OnSetActive() { return true; }
    // -1 keeps the page, 0 moves on.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // True lets the wizard close.
    virtual bool OnWizardFinish() { return true; }
    // False keeps the wizard open.
    virtual bool OnQueryCancel() { return true; }

    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    int templateId_;
};

// The application's name (the module's file name without extension), the caption of its
// message boxes.
std::wstring ApplicationName();
int ShowAppMessage(HWND owner, const std::wstring& text, UINT type = MB_OK);

// Centres `window` over `reference`, or over the work area when it is null.
void CentreWindow(HWND window, HWND reference);

}  // namespace win32
