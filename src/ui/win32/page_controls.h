#pragma once
// The one place where a page attaches its special controls: the side picture and the
// rich-text labels, which live as long as the page.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "controls/win32/zv_html_static.h"

namespace win32 {

class PageControls {
  public:
    // Side picture 1000: the file at `path`, else the built-in picture.
    void ShowSidePicture(HWND dialog, const std::wstring& path);
    // A rich-text label's markup; `transparent` draws it over the page's background.
    void SetMarkup(HWND dialog, int id, const std::wstring& markup, bool transparent = false);
    // The label of control `id` (attached on first use).
    controls::CZvHtmlStatic& Label(HWND dialog, int id);

  private:
    std::map<int, std::unique_ptr<controls::CZvHtmlStatic>> labels_;
};

}  // namespace win32
