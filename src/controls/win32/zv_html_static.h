#pragma once
// The rich-text label: a dialog's static control whose window text is markup. It paints
// off-screen over a cached background, shows links with a hand cursor and a hover style,
// opens them when clicked, and answers WM_GETTEXT with the plain text it shows.
#include <windows.h>

#include <string>

#include "controls/zv_html_drawer.h"
#include "platform/win32/subclassed_window.h"

namespace controls {

// Sent to the label when its hot link changes: draw at once, without measuring again.
inline constexpr UINT WM_HTML_REPAINT = 0x8064;

class CZvHtmlStatic : public win32::SubclassedWindow {
  public:
    static constexpr int kBackgroundTransparent = 1;
    static constexpr int kBackgroundOpaque = 2;

    CZvHtmlStatic();
    ~CZvHtmlStatic() override;

    // Attaches to the dialog's static control: styles, the stock GUI font, the control's
    // window text as the label's text, then a redraw.
    bool SubclassDlgItem(HWND dialog, int controlId);

    // 1: transparent (shows what lies under the label), 2: opaque (filled).
    void SetBackgroundMode(int mode);
    // The fill of the opaque mode: effect (the bgeffect numbers) and its three colours.
    void SetBackgroundFill(int effect, Colour first, Colour middle, Colour end);
    void SetMargins(int horizontal, int vertical);
    // Invalidates the whole window and updates it at once.
    void Redraw();

    const std::wstring& Markup() const { return text_; }
    CZvHtmlDrawer& Renderer() { return renderer_; }
    const RECT& TextRect() const { return textRect_; }

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDetached() override;

  private:
    void SetLabelFont(HFONT font);
    void DiscardBackground();
    void Paint(HDC dc);
    void DrawLabel(HDC target);
    std::wstring MarkupToDraw() const;
    POINT CursorInClient() const;
    LRESULT CopyPlainText(WPARAM size, LPARAM buffer) const;

    CZvHtmlDrawer renderer_;
    std::wstring text_;
    HFONT font_ = nullptr;
    Colour textColour_;
    int backgroundMode_ = kBackgroundOpaque;
    Colour backgroundColours_[3];
    int backgroundEffect_ = 0;
    int granularity_ = 5;
    int marginX_ = 0;
    int marginY_ = 0;
    HBITMAP background_ = nullptr;
    bool enabled_ = true;
    RECT textRect_{};
    HCURSOR handCursor_ = nullptr;
    bool ownsHandCursor_ = false;
};

}  // namespace controls
