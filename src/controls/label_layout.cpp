#include "controls/label_layout.h"

#include <algorithm>

namespace controls {

namespace {
int WrapWidth(const Rect& client, int horizontalMargin) {
    return client.right - (2 * horizontalMargin + client.left + 1);
}
}  // namespace

int LabelMaxWidth(const Rect& client, uint32_t style, int horizontalMargin) {
    if ((style & kStaticNoWrapMask) != 0)
        return 0;
    return std::max(0, WrapWidth(client, horizontalMargin));
}

Rect PlaceLabelText(const Rect& client, uint32_t style, int horizontalMargin, int verticalMargin,
                    Size measured) {
    Size size = measured;
    if ((style & kStaticNoWrapMask) != 0)
        size.width = std::max(size.width, WrapWidth(client, horizontalMargin));
    size.width = std::min(size.width, client.Width());
    size.height = std::min(size.height, client.Height());
    int x = client.left + horizontalMargin;
    switch (style & 0x3) {
        case kStaticCenter:
            x = client.left + (client.right - size.width - client.left) / 2;
            break;
        case kStaticRight:
            x = client.right - horizontalMargin - size.width;
            break;
        default:
            break;
    }
    const int y = (style & kStaticCenterImage) != 0
                      ? client.top + (client.bottom - size.height - client.top) / 2
                      : client.top + verticalMargin;
    return {x, y, x + size.width, y + size.height};
}

}  // namespace controls
