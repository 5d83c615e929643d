#pragma once
// What the screen shows of a window, for the Windows tests. Wine copies a window's
// drawing to the X server a little later than the drawing calls return, so a test waits
// (with a generous bound) for the picture it expects instead of reading once.
#ifdef _WIN32

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/markup_style.h"

namespace controls::testing {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> data;  // 0x00RRGGBB, rows top to bottom

    Colour At(int x, int y) const {
        const DWORD p =
            data[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        return MakeColour((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    template <typename Match>
    int Count(Match match) const {
        int count = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                count += match(At(x, y)) ? 1 : 0;
        }
        return count;
    }
};

// A 32-bit memory bitmap that a window or the screen is copied into.
class MemoryPicture {
  public:
    MemoryPicture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryPicture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;

    HDC Dc() const { return dc_; }
    Pixels Read() const {
        GdiFlush();
        Pixels pixels{width_, height_, {}};
        const auto* bits = static_cast<const DWORD*>(bits_);
        pixels.data.assign(bits, bits + static_cast<size_t>(width_) * static_cast<size_t>(height_));
        return pixels;
    }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

inline void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

inline Pixels ScreenPixels(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MemoryPicture picture(rect.right - rect.left, rect.bottom - rect.top);
    HDC screen = GetDC(nullptr);
    BitBlt(picture.Dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
           rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return picture.Read();
}

// The screen's picture of the window once `expected` holds, or the last one after about
// 20 seconds.
inline Pixels WaitForScreen(HWND window, const std::function<bool(const Pixels&)>& expected) {
    Pixels pixels;
    for (int attempt = 0; attempt < 400; ++attempt) {
        PumpMessages();
        pixels = ScreenPixels(window);
        if (expected(pixels))
            break;
        Sleep(50);
    }
    return pixels;
}

}  // namespace controls::testing

#endif  // _WIN32
