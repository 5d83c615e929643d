#include "ui/win32/sky_blue_edit.h"

CNHEdit::CNHEdit() : text_(GetSysColor(COLOR_WINDOWTEXT)), background_(GetSysColor(COLOR_WINDOW)) {
    brush_ = CreateSolidBrush(background_);
}

CNHEdit::~CNHEdit() {
    if (brush_ != nullptr)
        DeleteObject(brush_);
}

void CNHEdit::SetBackground(COLORREF colour) {
    background_ = colour;
    if (brush_ != nullptr)
        DeleteObject(brush_);
    brush_ = CreateSolidBrush(colour);
}

bool CNHEdit::OnControlColour(HDC dc, HWND control, INT_PTR& brush) const {
    if (control == nullptr || control != control_)
        return false;
    SetTextColor(dc, text_);
    SetBkColor(dc, background_);
    brush = reinterpret_cast<INT_PTR>(brush_);
    return true;
}
