#include "controls/win32/zv_html_static.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "controls/label_layout.h"
#include "controls/markup_text.h"
#include "controls/win32/gdi_surface.h"
#include "controls/win32/link_opener.h"
#include "controls/win32/zv_draw_manager.h"
#include "platform/system_colours.h"

namespace controls {

namespace {

constexpr int kHelpCursorId = 106;
constexpr Colour kLinkColour = 0xFF0000;  // blue, as the platform orders colours

std::wstring Hex6(uint32_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    for (int shift = 20; shift >= 0; shift -= 4)
        text += kDigits[(value >> shift) & 0xF];
    return text;
}

// The system's hand cursor, or the one of the old help program where there is none.
HCURSOR LoadHandCursor(bool& owned) {
    owned = false;
    if (HCURSOR hand = LoadCursorW(nullptr, IDC_HAND))
        return hand;
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(directory) + L"\\winhlp32.exe";
    HMODULE help = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (help == nullptr)
        return nullptr;
    HCURSOR copy = nullptr;
    if (HCURSOR cursor = LoadCursorW(help, MAKEINTRESOURCEW(kHelpCursorId))) {
        copy = CopyCursor(cursor);
        owned = copy != nullptr;
    }
    FreeLibrary(help);
    return copy;
}

Rect ToRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

CZvHtmlStatic::CZvHtmlStatic()
    : textColour_(platform::SystemColour(kSystemWindowText)),
      backgroundColours_{platform::SystemColour(kSystemButtonFace),
                         platform::SystemColour(kSystemButtonFace),
                         platform::SystemColour(kSystemButtonFace)} {
    const std::wstring colour = L"color:" + Hex6(kLinkColour) + L"; text-decoration:";
    renderer_.Sheet().Add(L"a:link", colour + L"none");
    renderer_.Sheet().Add(L"a:hover", colour + L"underline");
    renderer_.SetRepaintHandler([this](int hotLink) {
        if (Handle() != nullptr)
            SendMessageW(Handle(), WM_HTML_REPAINT, static_cast<WPARAM>(hotLink), 0);
    });
    handCursor_ = LoadHandCursor(ownsHandCursor_);
}

CZvHtmlStatic::~CZvHtmlStatic() {
    Detach();
    DiscardBackground();
    if (ownsHandCursor_)
        DestroyCursor(handCursor_);
}

bool CZvHtmlStatic::SubclassDlgItem(HWND dialog, int controlId) {
    if (!AttachDlgItem(dialog, controlId))
        return false;
    HWND window = Handle();
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & ~(WS_HSCROLL | WS_VSCROLL)) | SS_NOTIFY);
    enabled_ = (style & WS_DISABLED) == 0;
    renderer_.SetEnabled(enabled_);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    if (font == nullptr)
        font = GetStockObject(ANSI_VAR_FONT);
    SetLabelFont(static_cast<HFONT>(font));
    // The template's text, as the static control keeps it.
    const auto length = static_cast<size_t>(DefaultHandling(WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<size_t>(
        DefaultHandling(WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    text_ = std::move(text);
    Redraw();
    return true;
}

void CZvHtmlStatic::SetBackgroundMode(int mode) {
    if (mode == backgroundMode_)
        return;
    backgroundMode_ = mode;
    DiscardBackground();
    // A visible label would capture its own old picture as the "transparent" background:
    // let the parent paint the area first.
    HWND parent = Handle() != nullptr ? GetParent(Handle()) : nullptr;
    if (parent != nullptr && IsWindowVisible(Handle())) {
        RECT area{};
        GetWindowRect(Handle(), &area);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(parent, &area, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void CZvHtmlStatic::SetBackgroundFill(int effect, Colour first, Colour middle, Colour end) {
    backgroundEffect_ = effect;
    backgroundColours_[0] = first;
    backgroundColours_[1] = middle;
    backgroundColours_[2] = end;
    if (backgroundMode_ != kBackgroundTransparent)
        DiscardBackground();
}

void CZvHtmlStatic::SetMargins(int horizontal, int vertical) {
    marginX_ = horizontal;
    marginY_ = vertical;
}

void CZvHtmlStatic::Redraw() {
    if (Handle() != nullptr)
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CZvHtmlStatic::DiscardBackground() {
    if (background_ != nullptr) {
        DeleteObject(background_);
        background_ = nullptr;
    }
}

void CZvHtmlStatic::OnDetached() {
    DiscardBackground();
}

void CZvHtmlStatic::SetLabelFont(HFONT font) {
    font_ = font;
    LOGFONTW logFont{};
    if (font == nullptr || GetObjectW(font, sizeof(logFont), &logFont) == 0)
        return;
    // The height goes in unchanged: a negative height loses its sign as a length, so -12
    // reads as 12 points.
    std::wstring rule = L"font-size:" + std::to_wstring(logFont.lfHeight) + L"pt; color:" +
                        Hex6(textColour_) + L"; font-family:" + logFont.lfFaceName +
                        L"; font-weight:" + std::to_wstring(logFont.lfWeight);
    if (logFont.lfItalic)
        rule += L"; font-style:italic";
    renderer_.Sheet().Add(L"body", rule);
}

std::wstring CZvHtmlStatic::MarkupToDraw() const {
    return L"<font color=" + Hex6(textColour_) + L">" + text_ + L"</font>";
}

POINT CZvHtmlStatic::CursorInClient() const {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(Handle(), &point);
    return point;
}

void CZvHtmlStatic::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (background_ == nullptr && width > 0 && height > 0) {
        background_ = CreateCompatibleBitmap(dc, width, height);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, background_);
        if (backgroundMode_ == kBackgroundTransparent) {
            // What the parent drew under the label: the label never erases.
            BitBlt(memory, 0, 0, width, height, dc, client.left, client.top, SRCCOPY);
        } else {
            CZvDrawManager::FillBackground(memory, {0, 0, width, height}, backgroundEffect_,
                                           backgroundColours_[0], backgroundColours_[1],
                                           backgroundColours_[2], granularity_, 5);
        }
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    textRect_ = {};
    if (!text_.empty()) {
        const auto style = static_cast<uint32_t>(GetWindowLongPtrW(Handle(), GWL_STYLE));
        GdiSurface surface(dc);
        const Size size = renderer_.MeasureMarkup(surface, MarkupToDraw(),
                                                  LabelMaxWidth(ToRect(client), style, marginX_));
        const Rect place = PlaceLabelText(ToRect(client), style, marginX_, marginY_, size);
        textRect_ = {place.left, place.top, place.right, place.bottom};
    }
    DrawLabel(dc);
}

void CZvHtmlStatic::DrawLabel(HDC target) {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP picture = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldPicture = SelectObject(memory, picture);
    if (background_ != nullptr) {
        HDC source = CreateCompatibleDC(target);
        HGDIOBJ old = SelectObject(source, background_);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    if (!text_.empty()) {
        GdiSurface surface(memory);
        const Rect place = ToRect(textRect_);
        if (!enabled_) {
            // Embossed: a highlight copy one pixel right and down under a shadow copy.
            renderer_.SetDisabledColour(platform::SystemColour(kSystemButtonHighlight));
            renderer_.DrawMarkup(
                surface, {place.left + 1, place.top + 1, place.right + 1, place.bottom + 1});
            renderer_.SetDisabledColour(platform::SystemColour(kSystemButtonShadow));
        }
        renderer_.DrawMarkup(surface, place);
    }
    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldPicture);
    DeleteObject(picture);
    DeleteDC(memory);
}

LRESULT CZvHtmlStatic::CopyPlainText(WPARAM size, LPARAM buffer) const {
    const std::wstring plain = MarkupToPlainText(text_);
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (out == nullptr || size == 0)
        return 0;
    const size_t count = std::min<size_t>(plain.size(), size - 1);
    std::memcpy(out, plain.data(), count * sizeof(wchar_t));
    out[count] = L'\0';
    return static_cast<LRESULT>(count);
}

LRESULT CZvHtmlStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(Handle(), &paint);
            Paint(dc);
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT:
            text_ = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
            Redraw();
            return TRUE;
        case WM_GETTEXT:
            return CopyPlainText(wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(MarkupToPlainText(text_).size());
        case WM_SETFONT:
            SetLabelFont(reinterpret_cast<HFONT>(wParam));
            Redraw();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_ENABLE: {
            const LRESULT result = DefaultHandling(message, wParam, lParam);
            enabled_ = wParam != 0;
            renderer_.SetEnabled(enabled_);
            Redraw();
            return result;
        }
        case WM_SIZE: {
            const LRESULT result = DefaultHandling(message, wParam, lParam);
            if (backgroundMode_ != kBackgroundTransparent)
                DiscardBackground();
            Redraw();
            return result;
        }
        case WM_MOUSEMOVE: {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = Handle();
            TrackMouseEvent(&track);
            break;
        }
        case WM_MOUSELEAVE: {
            const POINT point = CursorInClient();
            renderer_.HitTestLink({point.x, point.y});
            return 0;
        }
        case WM_SETCURSOR:
            if (enabled_) {
                const POINT point = CursorInClient();
                if (renderer_.HitTestLink({point.x, point.y}) && handCursor_ != nullptr) {
                    SetCursor(handCursor_);
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONDOWN: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (enabled_ && PtInRect(&textRect_, point)) {
                const LinkActivation link = renderer_.ActivateLink({point.x, point.y});
                // A message link has no host window to go to in the label: nothing happens.
                if (link.kind == LinkKind::kAddress) {
                    if (handCursor_ != nullptr)
                        SetCursor(handCursor_);
                    OpenAddress(link.target);
                }
            }
            break;
        }
        case WM_HTML_REPAINT: {
            HDC dc = GetDC(Handle());
            DrawLabel(dc);
            ReleaseDC(Handle(), dc);
            return 1;
        }
        default:
            break;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace controls
