#include "wizard_driver/screen_capture.h"

#include <memory>
#include <vector>

#include "support/win32/window_capture.h"
#include "wizard_driver/control_access.h"

namespace wizard_driver {

namespace {

constexpr int kReadsBeforeGivingUp = 30;
constexpr DWORD kPauseBetweenReadsMs = 100;

// The window's pixels as the screen shows them now (32 bits each), with the bitmap.
struct ScreenRead {
    HBITMAP bitmap = nullptr;
    std::vector<DWORD> pixels;
    ~ScreenRead() {
        if (bitmap) {
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
    read.pixels.resize(static_cast<size_t>(width) * height);
    const bool got = copied && GetDIBits(memory, read.bitmap, 0, height, read.pixels.data(), &info,
                                         DIB_RGB_COLORS) == height;
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return got;
}

}  // namespace

bool CaptureSettledWindow(HWND window, const std::wstring& pngPath, std::wstring& error) {
    if (!WaitUntilIdle(window)) {
        error = L"the window does not answer";
        return false;
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    auto last = std::make_unique<ScreenRead>();
    if (!ReadScreen(window, *last)) {
        error = L"the screen cannot be read";
        return false;
    }
    // A window with an animation never settles: after a while its last read shows it.
    for (int reads = 1; reads < kReadsBeforeGivingUp; ++reads) {
        Sleep(kPauseBetweenReadsMs);
        auto next = std::make_unique<ScreenRead>();
        if (!ReadScreen(window, *next)) {
            error = L"the screen cannot be read";
            return false;
        }
        const bool settled = next->pixels == last->pixels;
        last = std::move(next);
        if (settled) {
            break;
        }
    }
    if (!SaveBitmapAsPng(last->bitmap, pngPath)) {
        error = L"the PNG cannot be written";
        return false;
    }
    return true;
}

}  // namespace wizard_driver
