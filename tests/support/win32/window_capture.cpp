#include "support/win32/window_capture.h"

// Lean windows.h leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <gdiplus.h>

#include <filesystem>

namespace {

// The PNG encoder of GDI+ (image/png).
const CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// GDI+ counts its start-ups, so a test may capture whether or not the code under test
// started it too.
class GdiplusSession {
  public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) {
            Gdiplus::GdiplusShutdown(token_);
        }
    }
    bool started() const { return started_; }

  private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

}  // namespace

bool SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path) {
    GdiplusSession session;
    if (!session.started()) {
        return false;
    }
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Gdiplus::Ok) {
        return false;
    }
    const bool saved = Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &kPngEncoder,
                                                                nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(image);
    return saved;
}

bool SaveWindowAsPng(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    const bool saved = copied && SaveBitmapAsPng(bitmap, path);
    DeleteObject(bitmap);
    return saved;
}

std::wstring ArtifactPath(const std::wstring& fileName) {
    const std::filesystem::path folder =
        std::filesystem::path(INSTALLER_TEST_BINARY_DIR) / "artifacts";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / fileName).wstring();
}
