#include "controls/win32/image_wnd.h"

// Lean windows.h leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <gdiplus.h>

#include <vector>

#include "controls/win32/gdiplus_session.h"
#include "controls/win32/memory_stream.h"

namespace {

using namespace Gdiplus::DllExports;

constexpr int kBuiltInPicture = 129;
constexpr DWORD kReadPiece = 4096;

// The whole file, read piece by piece; empty when it cannot be opened.
std::vector<char> ReadWholeFile(const std::wstring& path) {
    std::vector<char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char piece[kReadPiece];
    DWORD read = 0;
    while (ReadFile(file, piece, kReadPiece, &read, nullptr) && read > 0) {
        bytes.insert(bytes.end(), piece, piece + read);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace

CImageWnd::~CImageWnd() {
    Release();
}

void CImageWnd::Release() {
    if (image_ != nullptr) {
        GdipDisposeImage(image_);
        image_ = nullptr;
    }
}

bool CImageWnd::LoadFromFile(const std::wstring& path) {
    Release();
    const std::vector<char> bytes = ReadWholeFile(path);
    if (bytes.empty() || !controls::GdiplusRunning()) {
        return false;
    }
    IStream* stream = controls::CreateMemoryStream(bytes.data(), bytes.size());
    if (stream == nullptr) {
        return false;
    }
    const Gdiplus::GpStatus status = GdipCreateBitmapFromStream(stream, &image_);
    // The bitmap keeps its own reference for as long as it lives.
    stream->Release();
    if (status != Gdiplus::Ok) {
        image_ = nullptr;
        return false;
    }
    InvalidateRect(Handle(), nullptr, TRUE);
    return true;
}

void CImageWnd::ShowBuiltInPicture() {
    Release();
    if (controls::GdiplusRunning() &&
        GdipCreateBitmapFromResource(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kBuiltInPicture),
                                     &image_) != Gdiplus::Ok) {
        image_ = nullptr;
    }
    InvalidateRect(Handle(), nullptr, TRUE);
}

void CImageWnd::Paint(HDC dc) {
    RECT client;
    GetClientRect(Handle(), &client);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) {
        return;
    }
    if (image_ != nullptr) {
        GdipDrawImageRectI(graphics, image_, 0, 0, client.right, client.bottom);
    }
    GdipDeleteGraphics(graphics);
}

LRESULT CImageWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            Paint(dc);
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            // Drawing into a caller's DC: captures and tests see what the window shows.
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            return DefaultHandling(message, wParam, lParam);
    }
}
