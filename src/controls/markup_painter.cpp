#include "controls/markup_painter.h"

namespace controls {

namespace {

// Table backgrounds take the textured fills' parameters 5 and 0.
constexpr int kTableTexture1 = 5;
constexpr int kTableTexture2 = 0;

PenStyle PenOf(BorderStyle style) {
    switch (style) {
        case BorderStyle::kDashed:
            return PenStyle::kDashed;
        case BorderStyle::kDotted:
            return PenStyle::kDotted;
        default:
            return PenStyle::kSolid;
    }
}

}  // namespace

void MarkupPainter::Paint(const PlacedMarkup& placed) {
    for (const PaintStep& step : placed.order) {
        switch (step.kind) {
            case PaintKind::kRun:
                PaintRun(placed.runs[step.index]);
                break;
            case PaintKind::kRule: {
                const PlacedRule& rule = placed.rules[step.index];
                surface_.DrawLine(rule.left, rule.y, rule.right, rule.y, rule.colour,
                                  rule.thickness, PenStyle::kSolid);
                break;
            }
            case PaintKind::kImage:
                surface_.DrawImage(placed.images[step.index].image,
                                   placed.images[step.index].place);
                break;
            case PaintKind::kBox:
                PaintBox(placed.boxes[step.index]);
                break;
        }
    }
    surface_.SetTextJustification(0, 0);
}

void MarkupPainter::PaintRun(const PlacedRun& run) {
    surface_.SetTextJustification(run.justifyExtra, run.justifyBlanks);
    surface_.DrawRun(run.style, run.x, run.y, run.text);
    surface_.SetTextJustification(0, 0);
}

void MarkupPainter::PaintBox(const PlacedBox& box) {
    if (box.fillEffect >= 0) {
        surface_.FillBackground(box.rect, box.fillEffect, box.fill, box.fillMiddle, box.fillEnd,
                                kTableTexture1, kTableTexture2);
    } else if (box.backgroundImage) {
        surface_.DrawImage(*box.backgroundImage, box.rect);
    }
    PaintFrame(box);
}

void MarkupPainter::PaintFrame(const PlacedBox& box) {
    if (box.borderWidth < 1 || box.borderStyle == BorderStyle::kNone)
        return;
    const int width = box.borderWidth;
    const PenStyle pen = PenOf(box.borderStyle);
    const int frames = box.borderStyle == BorderStyle::kDouble ? 2 : 1;
    for (int f = 0; f < frames; ++f) {
        const int inset = width / 2 + f * 2 * width;
        const int left = box.rect.left + inset;
        const int top = box.rect.top + inset;
        const int right = box.rect.right - 1 - inset;
        const int bottom = box.rect.bottom - 1 - inset;
        if (right < left || bottom < top)
            return;
        surface_.DrawLine(left, top, right, top, box.light, width, pen);
        surface_.DrawLine(left, top, left, bottom, box.light, width, pen);
        surface_.DrawLine(right, top, right, bottom + 1, box.dark, width, pen);
        surface_.DrawLine(left, bottom, right, bottom, box.dark, width, pen);
    }
}

}  // namespace controls
