#include "ui/win32/page_controls.h"

namespace win32 {

void PageControls::ShowSidePicture(HWND dialog, const std::wstring& path) {
    (void)dialog;
    (void)path;
}

controls::CZvHtmlStatic& PageControls::Label(HWND dialog, int id) {
    auto& label = labels_[id];
    if (!label || label->Handle() == nullptr) {
        label = std::make_unique<controls::CZvHtmlStatic>();
        label->SubclassDlgItem(dialog, id);
    }
    return *label;
}

void PageControls::SetMarkup(HWND dialog, int id, const std::wstring& markup, bool transparent) {
    controls::CZvHtmlStatic& label = Label(dialog, id);
    SetWindowTextW(label.Handle(), markup.c_str());
    if (transparent)
        label.SetBackgroundMode(controls::CZvHtmlStatic::kBackgroundTransparent);
    label.Redraw();
}

}  // namespace win32
