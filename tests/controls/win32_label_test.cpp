// The label as a real window under Windows: drawn into memory bitmaps and read back from
// the screen, driven by messages.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/background_fill.h"
#include "controls/win32/zv_html_static.h"
#include "platform/system_colours.h"
#include "support/win32/window_capture.h"
#include "win32_screen.h"

namespace controls {
namespace {

using testing::MemoryPicture;
using testing::Pixels;
using testing::PumpMessages;
using testing::WaitForScreen;

constexpr int kLabelId = 100;
COLORREF gParentColour = RGB(0, 128, 0);

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(gParentColour);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ParentClass() {
    static const wchar_t* name = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ParentProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"LabelTestParent";
        RegisterClassW(&windowClass);
        return L"LabelTestParent";
    }();
    return name;
}

class LabelWindowTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (parent_ != nullptr)
            DestroyWindow(parent_);
        gParentColour = RGB(0, 128, 0);
    }

    // A hidden parent with one static control, the label attached to it as a dialog
    // attaches its labels before it shows.
    void Create(const wchar_t* text, DWORD style = 0, int width = 240, int height = 80) {
        parent_ = CreateWindowExW(WS_EX_TOPMOST, ParentClass(), L"label test", WS_POPUP, 40, 40,
                                  width + 40, height + 40, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        HWND control = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 20, 20,
                                       width, height, parent_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)),
                                       GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(label_.SubclassDlgItem(parent_, kLabelId));
        width_ = width;
        height_ = height;
    }
    void Show() {
        ShowWindow(parent_, SW_SHOWNOACTIVATE);
        UpdateWindow(parent_);
        PumpMessages();
    }
    // The label drawn into a memory bitmap (WM_PRINTCLIENT runs the paint).
    Pixels Print() {
        MemoryPicture picture(width_, height_);
        SendMessageW(label_.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Dc()),
                     PRF_CLIENT);
        return picture.Read();
    }
    // What the screen shows of the label, once it shows what `expected` asks for.
    Pixels OnScreen(const std::function<bool(const Pixels&)>& expected) {
        return WaitForScreen(label_.Handle(), expected);
    }

    HWND parent_ = nullptr;
    CZvHtmlStatic label_;
    int width_ = 0;
    int height_ = 0;
};

bool IsWhite(Colour c) {
    return c == MakeColour(255, 255, 255);
}
bool IsRed(Colour c) {
    return RedOf(c) >= 200 && GreenOf(c) <= 60 && BlueOf(c) <= 60;
}

TEST_F(LabelWindowTest, RedTextGivesRedPixelsAndNoOtherColourThanTheBackground) {
    Create(L"");
    const Colour white = MakeColour(255, 255, 255);
    label_.SetBackgroundFill(0, white, white, white);
    SetWindowTextW(label_.Handle(), L"<font color=#ff0000 size=28>HHH</font>");
    const Pixels pixels = Print();
    EXPECT_GT(pixels.Count(IsRed), 40);
    EXPECT_GT(pixels.Count(IsWhite), pixels.width * pixels.height / 2);
    // Every pixel is the background, the text colour or a blend of the two.
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const Colour c = pixels.At(x, y);
            ASSERT_TRUE(RedOf(c) >= 240 &&
                        std::abs(static_cast<int>(GreenOf(c)) - static_cast<int>(BlueOf(c))) <= 8)
                << "pixel " << x << "," << y << " is " << std::hex << c;
        }
    }
}

TEST_F(LabelWindowTest, GradientBandsHaveTheFormulasColoursAtTheirPlaces) {
    Create(L"", 0, 256, 40);
    const Colour red = MakeColour(255, 0, 0);
    const Colour blue = MakeColour(0, 0, 255);
    label_.SetBackgroundFill(kEffectHorizontalGradient, red, red, blue);
    const Pixels pixels = Print();
    for (int band = 0; band < kGradientBands; ++band) {
        // Band i covers x = 4i .. 4i + 3 of the 256 pixels.
        EXPECT_EQ(pixels.At(band * 4, 20), BandColour(red, blue, band)) << band;
        EXPECT_EQ(pixels.At(band * 4 + 3, 0), BandColour(red, blue, band)) << band;
    }
    label_.SetBackgroundFill(kEffectVerticalCentreGradient, red, red, blue);
    const Pixels vertical = Print();
    // 40 pixels: two halves of 20, where many of the 64 bands are empty. Pixel y of a half
    // lies in the band i with i * 20 / 64 <= y < (i + 1) * 20 / 64.
    auto band = [](int y) {
        int i = 0;
        while ((i + 1) * 20 / kGradientBands <= y)
            ++i;
        return i;
    };
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(vertical.At(10, y), BandColour(red, blue, band(y))) << y;
        EXPECT_EQ(vertical.At(10, 20 + y), BandColour(blue, red, band(y))) << y;
    }
}

TEST_F(LabelWindowTest, TransparentLabelShowsTheParentsBackground) {
    gParentColour = RGB(0, 128, 0);
    Create(L"<font color=#0000ff size=24>over green</font>");
    label_.SetBackgroundMode(CZvHtmlStatic::kBackgroundTransparent);
    Show();
    const auto isGreen = [](Colour c) { return c == MakeColour(0, 128, 0); };
    const auto isBlue = [](Colour c) { return BlueOf(c) >= 200 && RedOf(c) <= 60; };
    const auto isFace = [](Colour c) { return c == platform::SystemColour(15); };
    const auto mostlyGreen = [&](const Pixels& p) {
        return p.Count(isGreen) > p.width * p.height / 2;
    };
    const Pixels pixels = OnScreen(mostlyGreen);
    EXPECT_TRUE(mostlyGreen(pixels));
    EXPECT_GT(pixels.Count(isBlue), 20);
    EXPECT_EQ(pixels.Count(isFace), 0);
    // Back to opaque: filled with the button face at the next paint.
    label_.SetBackgroundMode(CZvHtmlStatic::kBackgroundOpaque);
    label_.Redraw();
    const auto mostlyFace = [&](const Pixels& p) {
        return p.Count(isFace) > p.width * p.height / 2;
    };
    EXPECT_TRUE(mostlyFace(OnScreen(mostlyFace)));
}

TEST_F(LabelWindowTest, DisabledLabelIsEmbossed) {
    Create(L"<font size=48><b>I</b></font>", 0, 120, 80);
    EnableWindow(label_.Handle(), FALSE);
    const Pixels pixels = Print();
    const Colour shadow = platform::SystemColour(16);
    const Colour highlight = platform::SystemColour(20);
    // The extent of each copy, by the pixels of exactly its colour.
    auto extent = [&](Colour colour) {
        RECT box{pixels.width, pixels.height, -1, -1};
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                if (pixels.At(x, y) == colour) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x);
                    box.bottom = std::max<LONG>(box.bottom, y);
                }
            }
        }
        return box;
    };
    const RECT dark = extent(shadow);
    const RECT light = extent(highlight);
    ASSERT_GE(dark.right, 0) << "no shadow-coloured pixel";
    ASSERT_GE(light.right, 0) << "no highlight-coloured pixel";
    // The highlight copy lies one pixel right and down, under the shadow copy. On the right
    // the shadow's anti-aliased edge column may hide one more column of exact pixels.
    EXPECT_EQ(light.left, dark.left + 1);
    EXPECT_EQ(light.top, dark.top + 1);
    EXPECT_EQ(light.bottom, dark.bottom + 1);
    EXPECT_GE(light.right, dark.right + 1);
    EXPECT_LE(light.right, dark.right + 2);
    EnableWindow(label_.Handle(), TRUE);
    const Pixels enabled = Print();
    const auto isBlack = [](Colour c) { return c == MakeColour(0, 0, 0); };
    EXPECT_GT(enabled.Count(isBlack), 50);
}

TEST_F(LabelWindowTest, MouseOverALinkShowsTheHandAndRepaintsItHovered) {
    Create(L"<font size=24>go <a href='http://example.test/'>there</a></font>");
    Show();
    const auto isBlue = [](Colour c) { return c == MakeColour(0, 0, 255); };
    const int blueBefore =
        OnScreen([&](const Pixels& p) { return p.Count(isBlue) > 0; }).Count(isBlue);
    ASSERT_GT(blueBefore, 0);
    ASSERT_EQ(label_.Renderer().LinkAreas().size(), 1u);
    const LinkArea area = label_.Renderer().LinkAreas()[0];
    POINT over{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ClientToScreen(label_.Handle(), &over);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    const LRESULT answered =
        SendMessageW(label_.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label_.Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(answered, TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(label_.Renderer().HotLink(), 0);
    // The hover style underlines the link: more blue pixels.
    const auto underlined = [&](const Pixels& p) { return p.Count(isBlue) > blueBefore; };
    EXPECT_TRUE(underlined(OnScreen(underlined)));
    // Leaving the label redraws the link without its underline.
    ASSERT_TRUE(SetCursorPos(5, 5));
    SendMessageW(label_.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(label_.Renderer().HotLink(), kNoHotLink);
    const auto plain = [&](const Pixels& p) { return p.Count(isBlue) == blueBefore; };
    EXPECT_TRUE(plain(OnScreen(plain)));
}

// An 8 x 8 bitmap file: the left half in the mask colour, the right half red.
std::wstring WriteTestBitmap() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"label_test_image.bmp";
    constexpr int kSide = 8;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = kSide;
    info.biHeight = kSide;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::vector<BYTE> rows;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool mask = x < kSide / 2;
            rows.insert(rows.end(), {static_cast<BYTE>(mask ? 255 : 0), 0, 255});  // B, G, R
        }
    }
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, &file, sizeof(file), &written, nullptr);
    WriteFile(handle, &info, sizeof(info), &written, nullptr);
    WriteFile(handle, rows.data(), static_cast<DWORD>(rows.size()), &written, nullptr);
    CloseHandle(handle);
    return path;
}

TEST_F(LabelWindowTest, ImagesKeepTheirMaskAndTakeTheirEffects) {
    const std::wstring path = WriteTestBitmap();
    Create(L"");
    const Colour white = MakeColour(255, 255, 255);
    label_.SetBackgroundFill(0, white, white, white);
    const auto isMagenta = [](Colour c) { return c == MakeColour(255, 0, 255); };
    const auto isRed = [](Colour c) { return c == MakeColour(255, 0, 0); };
    const auto isLumaOfRed = [](Colour c) { return c == MakeColour(76, 76, 76); };
    const auto isShadow = [](Colour c) { return c == MakeColour(127, 127, 127); };

    SetWindowTextW(label_.Handle(), (L"<bmp file='" + path + L"' width=400%>").c_str());
    const Pixels plain = Print();
    EXPECT_EQ(plain.Count(isMagenta), 0);
    EXPECT_EQ(plain.Count(isRed), 16 * 32);  // the red half, scaled four times

    SetWindowTextW(label_.Handle(), (L"<bmp file='" + path + L"' style=g>").c_str());
    const Pixels gray = Print();
    EXPECT_EQ(gray.Count(isRed), 0);
    EXPECT_EQ(gray.Count(isLumaOfRed), 4 * 8);

    SetWindowTextW(label_.Handle(), (L"<bmp file='" + path + L"' style=s>").c_str());
    const Pixels shadowed = Print();
    EXPECT_EQ(shadowed.Count(isRed), 4 * 8);
    // The shadow shows where the image does not cover it: 4 pixels right and down.
    EXPECT_EQ(shadowed.Count(isShadow), 4 * 8);
    DeleteFileW(path.c_str());
}

TEST_F(LabelWindowTest, WindowTextIsThePlainTextShown) {
    Create(L"<b>template</b>");
    wchar_t buffer[64] = {};
    GetWindowTextW(label_.Handle(), buffer, 64);
    EXPECT_STREQ(buffer, L"template");
    SetWindowTextW(label_.Handle(), L"<font color=red>Hello</font> &amp; <b>bye</b>\nnext");
    EXPECT_EQ(GetWindowTextLengthW(label_.Handle()), 17);
    GetWindowTextW(label_.Handle(), buffer, 64);
    EXPECT_STREQ(buffer, L"Hello & bye\r\nnext");
    GetWindowTextW(label_.Handle(), buffer, 6);
    EXPECT_STREQ(buffer, L"Hello");  // cut to the buffer
    EXPECT_EQ(label_.Markup(), L"<font color=red>Hello</font> &amp; <b>bye</b>\nnext");
}

TEST_F(LabelWindowTest, FontMessagesRemakeTheBodyRule) {
    Create(L"text");
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(label_.Handle(), WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW font{};
    font.lfHeight = -30;
    font.lfWeight = 700;
    font.lfItalic = TRUE;
    wcscpy(font.lfFaceName, L"Arial");
    HFONT handle = CreateFontIndirectW(&font);
    SendMessageW(label_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label_.Handle(), WM_GETFONT, 0, 0)), handle);
    const std::wstring* body = label_.Renderer().Sheet().Find(L"body");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(*body,
              L"font-size:-30pt; color:0x000000; font-family:Arial; font-weight:700; "
              L"font-style:italic");
    DestroyWindow(parent_);
    parent_ = nullptr;
    DeleteObject(handle);
}

}  // namespace
}  // namespace controls

#endif  // _WIN32
