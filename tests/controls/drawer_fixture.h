#pragma once
// A renderer over the recording surface with a 16-pixel body font: characters advance 8
// pixels, lines are 16 high with ascent 12 and descent 4.
#include <gtest/gtest.h>

#include "controls/zv_html_drawer.h"
#include "recording_surface.h"

namespace controls::testing {

class DrawerTest : public ::testing::Test {
  protected:
    DrawerTest() {
        drawer.Sheet().Add(L"body", L"font-size:16px; color:black; font-family:Verdana");
        drawer.SetRepaintHandler([this](int hot) { repaints.push_back(hot); });
    }

    // Measures and draws into a rectangle of the measured size (or the given width).
    Size Render(std::wstring_view markup, int maxWidth = 0, int drawWidth = 0) {
        const Size size = drawer.MeasureMarkup(surface, markup, maxWidth);
        Redraw(drawWidth > 0 ? drawWidth : size.width, size.height);
        return size;
    }
    void Redraw(int width, int height) {
        surface.runs.clear();
        surface.lines.clear();
        surface.images.clear();
        surface.fills.clear();
        drawer.DrawMarkup(surface, {0, 0, width, height});
    }
    const DrawnRun& Run(const std::wstring& text) {
        for (const DrawnRun& run : surface.runs) {
            if (run.text == text)
                return run;
        }
        ADD_FAILURE() << "no run drawn";
        return surface.runs.front();
    }

    RecordingSurface surface;
    CZvHtmlDrawer drawer;
    std::vector<int> repaints;
};

}  // namespace controls::testing
