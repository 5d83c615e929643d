#include "controls/label_layout.h"

#include <gtest/gtest.h>

namespace controls {
namespace {

TEST(LabelLayout, StaticStylesPlaceTheText) {
    const Rect client{0, 0, 200, 100};
    const Size measured{81, 21};
    const struct {
        uint32_t style;
        int maxWidth;
        Rect place;
    } cases[] = {
        {0x0, 200 - 2 * 5 - 1, {5, 3, 86, 24}},
        {kStaticCenter, 189, {59, 3, 140, 24}},
        {kStaticRight, 189, {114, 3, 195, 24}},
        {kStaticCenterImage, 189, {5, 39, 86, 60}},
        {kStaticCenter | kStaticCenterImage, 189, {59, 39, 140, 60}},
        // the no-wrap styles: no maximum width, and at least the wrap width wide
        {0x4, 0, {5, 3, 194, 24}},
        {0x8, 0, {5, 3, 194, 24}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LabelMaxWidth(client, c.style, 5), c.maxWidth) << c.style;
        EXPECT_EQ(PlaceLabelText(client, c.style, 5, 3, measured), c.place) << c.style;
    }
    // A text larger than the client is cut to it.
    EXPECT_EQ(PlaceLabelText(client, 0, 0, 0, {500, 300}), (Rect{0, 0, 200, 100}));
    EXPECT_EQ(LabelMaxWidth({0, 0, 3, 3}, 0, 5), 0);
}

}  // namespace
}  // namespace controls
