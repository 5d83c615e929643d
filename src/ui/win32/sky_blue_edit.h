#pragma once
// An edit control drawn in its own colours: the page hands it the control-colour
// messages of its parent. The download page's status line is sky blue.
#include <windows.h>

class CNHEdit {
  public:
    CNHEdit();
    virtual ~CNHEdit();
    CNHEdit(const CNHEdit&) = delete;
    CNHEdit& operator=(const CNHEdit&) = delete;

    void SetControl(HWND control) { control_ = control; }
    void SetBackground(COLORREF colour);
    // For WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC of the parent: true with the brush when the
    // message is about this control.
    bool OnControlColour(HDC dc, HWND control, INT_PTR& brush) const;

  private:
    HWND control_ = nullptr;
    COLORREF text_;
    COLORREF background_;
    HBRUSH brush_ = nullptr;
};

class CSkyBlueEdit : public CNHEdit {
  public:
    CSkyBlueEdit() { SetBackground(RGB(135, 206, 235)); }
};
