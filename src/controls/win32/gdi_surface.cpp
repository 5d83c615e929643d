#include "controls/win32/gdi_surface.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "controls/win32/zv_draw_manager.h"

namespace controls {

namespace {

// Fonts kept per surface: a label uses a handful of styles.
constexpr size_t kCachedFonts = 16;
constexpr int kShadowOffset = 4;

// An image loaded for one size query or one drawing.
class LoadedImage {
  public:
    explicit LoadedImage(const ImageRequest& request) : request_(request) {
        const UINT type = request.kind == ImageKind::kIcon ? IMAGE_ICON : IMAGE_BITMAP;
        const int cx = type == IMAGE_ICON ? GetSystemMetrics(SM_CXICON) : 0;
        const int cy = type == IMAGE_ICON ? GetSystemMetrics(SM_CYICON) : 0;
        const UINT flags = type == IMAGE_BITMAP ? LR_CREATEDIBSECTION : 0;
        HANDLE handle = nullptr;
        if (request.resourceId != 0) {
            handle = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(request.resourceId),
                                type, cx, cy, flags);
        }
        if (handle == nullptr && !request.file.empty())
            handle =
                LoadImageW(nullptr, request.file.c_str(), type, cx, cy, flags | LR_LOADFROMFILE);
        if (handle == nullptr && request.libraryResourceId != 0 && !request.library.empty()) {
            HMODULE library =
                LoadLibraryExW(request.library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            if (library != nullptr) {
                handle = LoadImageW(library, MAKEINTRESOURCEW(request.libraryResourceId), type, cx,
                                    cy, flags);
                FreeLibrary(library);
            }
        }
        if (handle == nullptr && request.handle != 0) {
            handle = reinterpret_cast<HANDLE>(request.handle);
            owned_ = false;
        }
        if (handle == nullptr)
            return;
        if (type == IMAGE_ICON) {
            icon_ = static_cast<HICON>(handle);
            size_ = Size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
            return;
        }
        bitmap_ = static_cast<HBITMAP>(handle);
        BITMAP info{};
        if (GetObjectW(bitmap_, sizeof(info), &info) == 0)
            return;
        strip_ = Size{info.bmWidth, info.bmHeight};
        if (request.kind == ImageKind::kImageList) {
            const int height = request.cellHeight > 0 ? request.cellHeight : info.bmHeight;
            const int width = request.cellWidth > 0 ? request.cellWidth : info.bmHeight;
            size_ = Size{width, height};
        } else {
            size_ = strip_;
        }
    }
    ~LoadedImage() {
        if (!owned_)
            return;
        if (icon_ != nullptr)
            DestroyIcon(icon_);
        if (bitmap_ != nullptr)
            DeleteObject(bitmap_);
    }
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    std::optional<Size> ImageSize() const { return size_; }
    HICON Icon() const { return icon_; }
    HBITMAP Bitmap() const { return bitmap_; }
    // Left edge of the drawn image in the strip.
    int SourceLeft() const {
        if (request_.kind != ImageKind::kImageList || !size_)
            return 0;
        const int left = request_.index * size_->width;
        return left >= 0 && left + size_->width <= strip_.width ? left : -1;
    }

  private:
    const ImageRequest& request_;
    bool owned_ = true;
    HICON icon_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    Size strip_;
    std::optional<Size> size_;
};

// A 32-bit top-down copy of part of a bitmap, for the pixel effects.
struct PixelCopy {
    HBITMAP bitmap = nullptr;
    DWORD* pixels = nullptr;
    ~PixelCopy() {
        if (bitmap != nullptr)
            DeleteObject(bitmap);
    }
};

bool CopyPixels(HDC reference, HBITMAP source, int left, Size size, PixelCopy& copy) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    copy.bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy.bitmap == nullptr)
        return false;
    copy.pixels = static_cast<DWORD*>(bits);
    HDC from = CreateCompatibleDC(reference);
    HDC to = CreateCompatibleDC(reference);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, copy.bitmap);
    BitBlt(to, 0, 0, size.width, size.height, from, left, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    GdiFlush();
    return true;
}

// DIB pixels are 0x00RRGGBB; colours are 0x00BBGGRR.
DWORD ToPixel(Colour c) {
    return (RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c);
}

void ApplyEffects(PixelCopy& copy, Size size, DWORD mask, std::wstring_view effects,
                  bool disabled) {
    const bool gray = disabled || effects.find(L'g') != std::wstring_view::npos;
    const bool darker = effects.find(L'd') != std::wstring_view::npos;
    const bool lighter = disabled || effects.find(L'l') != std::wstring_view::npos;
    const size_t count = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
    for (size_t i = 0; i < count; ++i) {
        DWORD& pixel = copy.pixels[i];
        if ((pixel & 0xFFFFFF) == mask)
            continue;
        double r = (pixel >> 16) & 0xFF;
        double g = (pixel >> 8) & 0xFF;
        double b = pixel & 0xFF;
        if (gray)
            r = g = b = 0.299 * r + 0.587 * g + 0.114 * b;
        if (darker) {
            r *= 0.75;
            g *= 0.75;
            b *= 0.75;
        }
        if (lighter) {
            r = std::min(255.0, r * 1.25);
            g = std::min(255.0, g * 1.25);
            b = std::min(255.0, b * 1.25);
        }
        pixel =
            (static_cast<DWORD>(r) << 16) | (static_cast<DWORD>(g) << 8) | static_cast<DWORD>(b);
    }
}

void DrawMasked(HDC dc, const PixelCopy& copy, Size source, int x, int y, int width, int height,
                Colour mask) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, copy.bitmap);
    TransparentBlt(dc, x, y, width, height, memory, 0, 0, source.width, source.height, mask);
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace

GdiSurface::GdiSurface(HDC dc)
    : dc_(dc),
      originalFont_(GetCurrentObject(dc, OBJ_FONT)),
      originalBackgroundMode_(GetBkMode(dc)),
      originalTextColour_(GetTextColor(dc)),
      originalBackgroundColour_(GetBkColor(dc)),
      originalTextAlign_(GetTextAlign(dc)) {
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBkMode(dc_, TRANSPARENT);
}

GdiSurface::~GdiSurface() {
    ::SetTextJustification(dc_, 0, 0);
    SelectObject(dc_, originalFont_);
    SetBkMode(dc_, originalBackgroundMode_);
    SetTextColor(dc_, originalTextColour_);
    SetBkColor(dc_, originalBackgroundColour_);
    SetTextAlign(dc_, originalTextAlign_);
    for (const auto& entry : fonts_)
        DeleteObject(entry.second);
}

std::wstring GdiSurface::FaceName(std::wstring_view family) {
    constexpr size_t kLongest = LF_FACESIZE - 1;
    if (family.size() <= kLongest)
        return std::wstring(family);
    size_t length = kLongest;
    if (family[length - 1] >= 0xD800 && family[length - 1] < 0xDC00)
        --length;  // keep a surrogate pair whole
    return std::wstring(family.substr(0, length));
}

void GdiSurface::SelectFontOf(const MarkupStyle& style) {
    for (const auto& entry : fonts_) {
        if (entry.first.SameFont(style)) {
            SelectObject(dc_, entry.second);
            return;
        }
    }
    LOGFONTW font{};
    font.lfHeight = style.size;
    font.lfWeight = std::clamp(style.weight, 0, 1000);
    font.lfItalic = style.italic;
    font.lfUnderline = style.underline;
    font.lfStrikeOut = style.strikeOut;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = FaceName(style.family);
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    if (handle == nullptr)
        return;
    if (fonts_.size() >= kCachedFonts) {
        SelectObject(dc_, originalFont_);
        DeleteObject(fonts_.front().second);
        fonts_.erase(fonts_.begin());
    }
    fonts_.emplace_back(style, handle);
    SelectObject(dc_, handle);
}

TextExtent GdiSurface::MeasureRun(const MarkupStyle& style, std::wstring_view text) {
    SelectFontOf(style);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_, &metrics);
    TextExtent extent;
    extent.height = metrics.tmHeight;
    extent.ascent = metrics.tmAscent;
    extent.descent = metrics.tmDescent;
    if (!text.empty()) {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(text.size()), &size);
        extent.width = size.cx;
        extent.height = std::max<int>(extent.height, size.cy);
    }
    return extent;
}

int GdiSurface::XHeight(const MarkupStyle& style) {
    SelectFontOf(style);
    SIZE size{};
    GetTextExtentPoint32W(dc_, L"x", 1, &size);
    return size.cy;
}

int GdiSurface::PixelsPerInch() {
    return GetDeviceCaps(dc_, LOGPIXELSY);
}

void GdiSurface::SetTextJustification(int extra, int breaks) {
    ::SetTextJustification(dc_, extra, breaks);
}

void GdiSurface::DrawRun(const MarkupStyle& style, int x, int y, std::wstring_view text) {
    SelectFontOf(style);
    SetTextColor(dc_, style.colour);
    SetBkMode(dc_, style.opaqueBackground ? OPAQUE : TRANSPARENT);
    SetBkColor(dc_, style.backgroundColour);
    TextOutW(dc_, x, y, text.data(), static_cast<int>(text.size()));
}

void GdiSurface::DrawLine(int x1, int y1, int x2, int y2, Colour colour, int width, PenStyle pen) {
    const int style = pen == PenStyle::kDashed   ? PS_DASH
                      : pen == PenStyle::kDotted ? PS_DOT
                                                 : PS_SOLID;
    HPEN handle = CreatePen(style, pen == PenStyle::kSolid ? width : 1, colour);
    HGDIOBJ old = SelectObject(dc_, handle);
    const int oldMode = SetBkMode(dc_, TRANSPARENT);
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
    SetBkMode(dc_, oldMode);
    SelectObject(dc_, old);
    DeleteObject(handle);
}

void GdiSurface::FillRect(const Rect& rect, Colour colour) {
    CZvDrawManager::FillSolid(dc_, {rect.left, rect.top, rect.right, rect.bottom}, colour);
}

void GdiSurface::FillBackground(const Rect& rect, int effect, Colour first, Colour middle,
                                Colour end, int texture1, int texture2) {
    CZvDrawManager::FillBackground(dc_, {rect.left, rect.top, rect.right, rect.bottom}, effect,
                                   first, middle, end, texture1, texture2);
}

std::optional<Size> GdiSurface::ImageSize(const ImageRequest& image) {
    const LoadedImage loaded(image);
    return loaded.ImageSize();
}

void GdiSurface::DrawImage(const ImageRequest& image, const Rect& place) {
    const LoadedImage loaded(image);
    const auto size = loaded.ImageSize();
    if (!size || size->width <= 0 || size->height <= 0)
        return;
    const bool shadow = image.effects.find(L's') != std::wstring::npos;
    const int width = place.Width() - (shadow ? kShadowOffset : 0);
    const int height = place.Height() - (shadow ? kShadowOffset : 0);
    if (width <= 0 || height <= 0)
        return;
    if (loaded.Icon() != nullptr) {
        if (image.disabled) {
            DrawStateW(dc_, nullptr, nullptr, reinterpret_cast<LPARAM>(loaded.Icon()), 0,
                       place.left, place.top, width, height, DST_ICON | DSS_DISABLED);
        } else {
            DrawIconEx(dc_, place.left, place.top, loaded.Icon(), width, height, 0, nullptr,
                       DI_NORMAL);
        }
        return;
    }
    const int left = loaded.SourceLeft();
    if (loaded.Bitmap() == nullptr || left < 0)
        return;
    const DWORD mask = ToPixel(image.mask);
    if (shadow) {
        PixelCopy copy;
        if (CopyPixels(dc_, loaded.Bitmap(), left, *size, copy)) {
            const size_t count =
                static_cast<size_t>(size->width) * static_cast<size_t>(size->height);
            for (size_t i = 0; i < count; ++i) {
                if ((copy.pixels[i] & 0xFFFFFF) != mask)
                    copy.pixels[i] = 0x7F7F7F;
            }
            DrawMasked(dc_, copy, *size, place.left + kShadowOffset, place.top + kShadowOffset,
                       width, height, image.mask);
        }
    }
    PixelCopy copy;
    if (!CopyPixels(dc_, loaded.Bitmap(), left, *size, copy))
        return;
    ApplyEffects(copy, *size, mask, image.effects, image.disabled);
    DrawMasked(dc_, copy, *size, place.left, place.top, width, height, image.mask);
}

std::wstring GdiSurface::LoadResourceString(int id, std::wstring_view library) {
    HMODULE module = GetModuleHandleW(nullptr);
    HMODULE loaded = nullptr;
    if (!library.empty()) {
        loaded = LoadLibraryExW(std::wstring(library).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (loaded == nullptr)
            return {};
        module = loaded;
    }
    wchar_t buffer[4096];
    const int length = LoadStringW(module, static_cast<UINT>(id), buffer, 4096);
    if (loaded != nullptr)
        FreeLibrary(loaded);
    return std::wstring(buffer, static_cast<size_t>(std::max(length, 0)));
}

}  // namespace controls
