#include "support/win32/window_capture.h"

// Lean windows.h leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <gdiplus.h>

#include <filesystem>
#include <memory>
#include <vector>

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

namespace {

// The window's area of the screen as it is now: the bitmap and its 32-bit pixels.
struct ScreenRead {
    HBITMAP bitmap = nullptr;
    std::vector<DWORD> pixels;

    ScreenRead() = default;
    ScreenRead(const ScreenRead&) = delete;
    ScreenRead& operator=(const ScreenRead&) = delete;
    ~ScreenRead() {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
};

bool ReadScreen(HWND window, ScreenRead& read) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    read.bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, read.bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    read.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const bool got = copied && GetDIBits(memory, read.bitmap, 0, height, read.pixels.data(), &info,
                                         DIB_RGB_COLORS) == height;
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return got;
}

}  // namespace

bool SaveWindowAsPng(HWND window, const std::wstring& path) {
    auto last = std::make_unique<ScreenRead>();
    if (!ReadScreen(window, *last)) {
        return false;
    }
    // Wine copies drawing to the X server a little after the drawing calls return: read
    // until two reads agree. A window with an animation never settles; then the last read.
    for (int reads = 1; reads < 30; ++reads) {
        Sleep(100);
        auto next = std::make_unique<ScreenRead>();
        if (!ReadScreen(window, *next)) {
            return false;
        }
        const bool settled = next->pixels == last->pixels;
        last = std::move(next);
        if (settled) {
            break;
        }
    }
    return SaveBitmapAsPng(last->bitmap, path);
}

std::wstring ArtifactPath(const std::wstring& fileName) {
    const std::filesystem::path folder =
        std::filesystem::path(INSTALLER_TEST_BINARY_DIR) / "artifacts";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / fileName).wstring();
}
