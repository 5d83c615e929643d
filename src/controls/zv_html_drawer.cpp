#include "controls/zv_html_drawer.h"

#include <algorithm>

#include "controls/markup_painter.h"
#include "platform/system_colours.h"

namespace controls {

CZvHtmlDrawer::CZvHtmlDrawer() : disabledColour_(platform::SystemColour(kSystemButtonShadow)) {}

LayoutOptions CZvHtmlDrawer::Options() const {
    LayoutOptions options;
    options.sheet = &sheet_;
    options.colourNames = &colourNames_;
    options.pixelsPerInch = pixelsPerInch_;
    options.hotLink = hotLink_;
    options.enabled = enabled_;
    options.disabledColour = disabledColour_;
    return options;
}

Size CZvHtmlDrawer::MeasureMarkup(DrawingSurface& surface, std::wstring_view text, int maxWidth) {
    surface.SetTextJustification(0, 0);
    text_ = PreprocessMarkup(text);
    if (text_.empty())
        return {};
    placed_.linkAreas.clear();
    pixelsPerInch_ = surface.PixelsPerInch();
    measured_ = MeasureLayout(surface, text_, maxWidth, Options());
    Size size = measured_.size;
    if (measured_.maxWidth > 0)
        size.width = std::min(size.width, measured_.maxWidth);
    if (size.width == 0 && size.height == 0) {
        text_.clear();
        return {1, 1};
    }
    return {size.width + 1, size.height + 1};
}

void CZvHtmlDrawer::DrawMarkup(DrawingSurface& surface, const Rect& rect) {
    if (text_.empty())
        return;
    // One set of link areas per drawn picture: a redraw replaces them.
    placed_ = PlaceLayout(surface, text_, measured_, rect, Options());
    MarkupPainter(surface).Paint(placed_);
}

const LinkArea* CZvHtmlDrawer::AreaAt(Point point) const {
    for (const LinkArea& area : placed_.linkAreas) {
        if (area.Contains(point))
            return &area;
    }
    return nullptr;
}

bool CZvHtmlDrawer::HitTestLink(Point point) {
    const LinkArea* area = AreaAt(point);
    const int found = area != nullptr ? area->number : kNoHotLink;
    const bool hasTarget = area != nullptr && !area->target.empty();
    // The repaint handler redraws, which replaces the link areas: nothing of them is used
    // after it.
    if (found != hotLink_) {
        hotLink_ = found;
        if (repaint_)
            repaint_(found);
    }
    return found != kNoHotLink && hasTarget;
}

LinkActivation CZvHtmlDrawer::ActivateLink(Point point) const {
    const LinkArea* area = AreaAt(point);
    if (area == nullptr || area->target.empty())
        return {};
    return {area->kind, area->target};
}

}  // namespace controls
