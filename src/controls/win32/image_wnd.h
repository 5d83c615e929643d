#pragma once
// CImageWnd: one still picture decoded by GDI+, stretched to the whole client area (the
// wizard pages' side picture).
#include <string>

#include "platform/win32/subclassed_window.h"

namespace Gdiplus {
class GpBitmap;  // the flat interface's bitmap
}  // namespace Gdiplus

class CImageWnd : public win32::SubclassedWindow {
  public:
    CImageWnd() = default;
    ~CImageWnd() override;

    bool SubclassDlgItem(HWND dialog, int controlId) { return AttachDlgItem(dialog, controlId); }
    // Shows the picture in the file; false when it cannot be read or decoded.
    bool LoadFromFile(const std::wstring& path);
    // Shows the installer's own side picture (bitmap resource 129).
    void ShowBuiltInPicture();

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Release();
    void Paint(HDC dc);

    // Decoded from a stream over a movable global block; the bitmap holds the stream and
    // the stream frees the block, so the bytes live exactly as long as the image.
    Gdiplus::GpBitmap* image_ = nullptr;
};
