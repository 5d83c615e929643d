#pragma once
// The one place where a page attaches its special controls: the side picture and the
// rich-text labels. Until those controls exist the statics keep their plain text.
#include <windows.h>

#include <string>

namespace win32 {

class PageControls {
  public:
    // Side picture 1000: the file at `path`, else the built-in picture.
    void ShowSidePicture(HWND dialog, const std::wstring& path);
    // A rich-text label's markup; `transparent` draws it over the page's background.
    void SetMarkup(HWND dialog, int id, const std::wstring& markup, bool transparent = false);
};

}  // namespace win32
