#include "ui/win32/page_controls.h"

namespace win32 {

void PageControls::ShowSidePicture(HWND dialog, const std::wstring& path) {
    (void)dialog;
    (void)path;
}

void PageControls::SetMarkup(HWND dialog, int id, const std::wstring& markup, bool transparent) {
    (void)transparent;
    SetDlgItemTextW(dialog, id, markup.c_str());
}

}  // namespace win32
