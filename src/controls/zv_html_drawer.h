#pragma once
// The rich-text renderer: measuring breaks the markup into lines within a maximum width
// and records each line; drawing places the recorded lines in the final rectangle,
// aligned and justified, and paints what was placed. Link hit tests read the placed link
// areas and are decisions that the hosting control carries out. No operating-system call
// happens here.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/colour_names.h"
#include "controls/drawing_surface.h"
#include "controls/markup_layout.h"
#include "controls/style_sheet.h"

namespace controls {

// What a click on a link asks the host to do.
struct LinkActivation {
    LinkKind kind = LinkKind::kNone;  // none: nothing to do
    std::wstring target;
};

class CZvHtmlDrawer {
  public:
    CZvHtmlDrawer();

    // An empty text loads the default sheet.
    void SetStyleSheet(std::wstring_view text) { sheet_.Load(text); }
    StyleSheet& Sheet() { return sheet_; }

    // Disabled: every colour given by markup or style sheet shows in the disabled colour.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    Colour DisabledColour() const { return disabledColour_; }
    // The label draws a disabled text twice, in two colours (an embossed look).
    void SetDisabledColour(Colour colour) { disabledColour_ = colour; }

    // Called with the new hot link (kNoHotLink over no link) whenever it changes; the
    // host redraws then, without measuring again.
    void SetRepaintHandler(std::function<void(int)> handler) { repaint_ = std::move(handler); }

    // Measures the text (maximum width 0: lines end only at br tags) at the surface's
    // resolution and keeps it for DrawMarkup. Returns the size plus one pixel each way; an
    // empty text gives 0 x 0.
    Size MeasureMarkup(DrawingSurface& surface, std::wstring_view text, int maxWidth);
    // Places the text of the last measuring into the rectangle and paints it.
    void DrawMarkup(DrawingSurface& surface, const Rect& rect);

    // Updates the hot link for a point; true when the point is over a link with a target,
    // where the host shows the hand cursor.
    bool HitTestLink(Point point);
    LinkActivation ActivateLink(Point point) const;

    int HotLink() const { return hotLink_; }
    const std::vector<LineInfo>& Lines() const { return measured_.lines; }
    // What the last DrawMarkup placed.
    const PlacedMarkup& Placed() const { return placed_; }
    const std::vector<LinkArea>& LinkAreas() const { return placed_.linkAreas; }

  private:
    LayoutOptions Options() const;
    const LinkArea* AreaAt(Point point) const;

    StyleSheet sheet_;
    ColourNames colourNames_;
    Colour disabledColour_ = 0;
    bool enabled_ = true;
    std::function<void(int)> repaint_;

    std::wstring text_;  // preprocessed
    int pixelsPerInch_ = 96;
    MeasuredMarkup measured_;
    PlacedMarkup placed_;
    int hotLink_ = kNoHotLink;
};

}  // namespace controls
