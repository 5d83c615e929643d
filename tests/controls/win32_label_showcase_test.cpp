// One window holding the markup the installer writes, with a table, a justified paragraph
// and links, captured as tests/artifacts/label.png for people to look at.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/background_fill.h"
#include "controls/win32/zv_html_static.h"
#include "support/win32/window_capture.h"
#include "win32_screen.h"

namespace controls {
namespace {

struct ShowcaseLabel {
    RECT place;  // x, y, width, height
    const wchar_t* markup;
    int mode;
    int effect;
    DWORD style = 0;
};

// Texts as the installer writes them: the page title's font markup with a Chinese face,
// the wait dialog's red message, a body text with line feeds and a tab.
const ShowcaseLabel kLabels[] = {
    {{16, 12, 568, 30},
     L"<font face='\u534E\u6587\u4E2D\u5B8B' size='16' color='#003399'>"
     L"\u6B22\u8FCE\u5B89\u88C5 Vornel qz</font>",
     CZvHtmlStatic::kBackgroundTransparent,
     0},
    {{16, 46, 568, 62},
     L"\u672C\u5411\u5BFC\u5C06\u5728\u60A8\u7684\u8BA1\u7B97\u673A\u4E0A\u5B89\u88C5 qz\u3002\n"
     L"\u5355\u51FB\u201C\u4E0B\u4E00\u6B65\u201D\u7EE7\u7EED\uFF0C\u6216\u5355\u51FB\u201C"
     L"\u53D6\u6D88\u201D\u9000\u51FA\u5B89\u88C5\u7A0B\u5E8F\u3002\n"
     L"\u8DEF\u5F84:\tC:\\Program Files\\Vornel\\qz",
     CZvHtmlStatic::kBackgroundTransparent,
     0},
    {{16, 112, 568, 28},
     L"<font face='\u534E\u6587\u4E2D\u5B8B' size='16' color='red'>"
     L"\u6B63\u5728\u5B89\u88C5 qz\uFF0C\u8BF7\u7A0D\u5019\u2026\u2026</font>",
     CZvHtmlStatic::kBackgroundOpaque,
     kEffectHorizontalGradient},
    {{16, 146, 280, 124},
     L"<table border=1 cellpadding=3 cellspacing=2 bgcolor=#f0f4ff>"
     L"<tr><td><b>\u7EC4\u4EF6</b></td><td><b>Size</b></td><td><b>State</b></td></tr>"
     L"<tr><td>qz \u4E3B\u7A0B\u5E8F</td><td align=right>12 MB</td>"
     L"<td><font color=green>ready</font></td></tr>"
     L"<tr><td>.NET 4</td><td align=right>48 MB</td><td><i>download</i></td></tr>"
     L"<tr><td colspan=3><center>Total: <b>60 MB</b></center></td></tr></table>",
     CZvHtmlStatic::kBackgroundOpaque,
     0},
    {{310, 146, 274, 124},
     L"<justify>The label wraps this paragraph inside its width and spreads the spare "
     L"pixels over the blanks, so that every line but the last ends exactly at the right "
     L"edge.</justify>",
     CZvHtmlStatic::kBackgroundOpaque,
     0},
    {{16, 278, 568, 60},
     L"<h2>Links</h2><br>Visit <a href='http://example.test/'>our site</a> or read the "
     L"<a msg='license'>license</a>. <font color=gray>&copy; 2026 Vornel&trade; &bull; "
     L"<u>under</u> <s>struck</s> <font style=o>over</font></font>",
     CZvHtmlStatic::kBackgroundOpaque,
     0},
    {{16, 344, 568, 54},
     L"<center><font size=20 color=#ffffff><b>Centred</b> on a <i>vertical</i> "
     L"gradient</font></center><br><hr width=100% size=2 color=white>",
     CZvHtmlStatic::kBackgroundOpaque,
     kEffectVerticalCentreGradient,
     SS_CENTER},
};

TEST(LabelShowcase, CapturesTheInstallersMarkup) {
    HWND parent = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_BORDER, 30, 30, 600,
                                  410, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    std::vector<std::unique_ptr<CZvHtmlStatic>> labels;
    int id = 200;
    for (const ShowcaseLabel& entry : kLabels) {
        CreateWindowExW(0, L"STATIC", entry.markup, WS_CHILD | WS_VISIBLE | entry.style,
                        entry.place.left, entry.place.top, entry.place.right, entry.place.bottom,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
        auto label = std::make_unique<CZvHtmlStatic>();
        ASSERT_TRUE(label->SubclassDlgItem(parent, id));
        label->SetBackgroundMode(entry.mode);
        if (entry.effect == kEffectHorizontalGradient)
            label->SetBackgroundFill(entry.effect, RGB(255, 236, 200), 0, RGB(255, 255, 255));
        else if (entry.effect == kEffectVerticalCentreGradient)
            label->SetBackgroundFill(entry.effect, RGB(40, 70, 140), 0, RGB(90, 140, 220));
        else if (entry.mode == CZvHtmlStatic::kBackgroundOpaque)
            label->SetBackgroundFill(0, RGB(255, 255, 255), 0, 0);
        label->SetMargins(4, 2);
        labels.push_back(std::move(label));
        ++id;
    }
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    UpdateWindow(parent);
    // Wait until the screen shows the top of the last label's gradient (the first of its
    // non-empty bands is close to the first colour), the others drawn before it.
    const auto drawn = [](const testing::Pixels& p) {
        const Colour c = p.At(300, 345);
        return RedOf(c) <= 48 && GreenOf(c) >= 62 && GreenOf(c) <= 78 && BlueOf(c) >= 132 &&
               BlueOf(c) <= 152;
    };
    ASSERT_TRUE(drawn(testing::WaitForScreen(parent, drawn)));
    const std::wstring path = ArtifactPath(L"label.png");
    EXPECT_TRUE(SaveWindowAsPng(parent, path));
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    // What a screen reader gets from the table label: its cells as plain text.
    wchar_t text[256] = {};
    GetWindowTextW(labels[3]->Handle(), text, 256);
    EXPECT_EQ(std::wstring(text).substr(0, 14), L"\u7EC4\u4EF6\tSize\tState\r");
    DestroyWindow(parent);
}

}  // namespace
}  // namespace controls

#endif  // _WIN32
