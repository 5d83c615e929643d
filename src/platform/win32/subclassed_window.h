#pragma once
// The one bridge from window procedures to C++ objects, shared by the controls and the
// wizard: a dialog's control (or any existing window) is subclassed and its messages reach
// the object's virtual OnMessage. Windows only; portable logic never sees it.
#include <windows.h>

namespace win32 {

class SubclassedWindow {
  public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    virtual ~SubclassedWindow();

    // Routes the window's messages to this object until Detach or the window's end.
    bool Attach(HWND window);
    // Attach to the dialog's control with this id.
    bool AttachDlgItem(HWND dialog, int controlId);
    void Detach();
    HWND Handle() const { return window_; }

  protected:
    // Default: the window's own procedure.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Hands a message to the procedure the window had before it was attached.
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window is being destroyed for good (after WM_NCDESTROY), when the
    // object is already detached.
    virtual void OnDetached() {}

  private:
    static LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR self);
    HWND window_ = nullptr;
};

}  // namespace win32
