// The rich-text label's markup, as the service sends it for titles and body texts: a
// style sheet, then the markup, measured, drawn and hit-tested on the recording surface
// of the control tests. Input: a byte for the maximum width, the style sheet up to the
// first NUL byte, then the markup (UTF-8).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/markup_text.h"
#include "controls/recording_surface.h"
#include "controls/zv_html_drawer.h"
#include "fuzz_check.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int maxWidth = data[0] * 2;
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t nul = input.find('\0');
    const std::wstring sheet = text::Utf8ToWide(input.substr(0, nul));
    const std::wstring markup = text::Utf8ToWide(
        nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1));

    controls::testing::RecordingSurface surface;
    controls::CZvHtmlDrawer drawer;
    drawer.SetStyleSheet(sheet);
    const controls::Size measured = drawer.MeasureMarkup(surface, markup, maxWidth);
    FUZZ_CHECK(measured.width >= 0 && measured.height >= 0);
    if (markup.empty())
        FUZZ_CHECK(measured.width == 0 && measured.height == 0);
    drawer.DrawMarkup(surface, {0, 0, measured.width, measured.height});
    for (const controls::LinkArea& area : drawer.LinkAreas()) {
        const controls::Point inside{area.left, area.top};
        drawer.HitTestLink(inside);
        drawer.ActivateLink(inside);
    }
    controls::MarkupToPlainText(markup);
    return 0;
}
