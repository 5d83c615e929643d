#pragma once
// Replays a placed layout on a drawing surface, item by item in the layout's order.
// Every decision about where things go was taken by the layout.
#include "controls/drawing_surface.h"
#include "controls/markup_layout.h"

namespace controls {

class MarkupPainter {
  public:
    explicit MarkupPainter(DrawingSurface& surface) : surface_(surface) {}

    void Paint(const PlacedMarkup& placed);

  private:
    void PaintRun(const PlacedRun& run);
    void PaintBox(const PlacedBox& box);
    void PaintFrame(const PlacedBox& box);

    DrawingSurface& surface_;
};

}  // namespace controls
