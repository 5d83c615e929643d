// The picture controls in real windows: pictures decoded by the system, pixels read back
// from memory bitmaps, the animation thread started and stopped.
#ifdef _WIN32

#include <windows.h>
// Lean windows.h leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "controls/gif_builder.h"
#include "controls/win32/image_wnd.h"
#include "controls/win32/picture_ex.h"
#include "support/temp_dir.h"
#include "support/win32/window_capture.h"

namespace {

using namespace Gdiplus::DllExports;

struct Rgb {
    int r, g, b;
};

// Colours the picture script drew with.
constexpr Rgb kSkyTop = {38, 92, 158};
constexpr Rgb kBoxTape = {176, 124, 64};
constexpr Rgb kBoxFront = {232, 184, 118};
constexpr Rgb kDotDim = {196, 206, 220};
constexpr Rgb kDotBright = {40, 104, 184};

// Centre of dot `i` of the busy animation's row.
POINT Dot(int i) {
    return {12 + 9 * i, 86};
}

Rgb FromColorRef(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

bool Near(const Rgb& a, const Rgb& b, int tolerance = 0) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Text(const Rgb& c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// What the window draws into a memory bitmap through WM_PRINTCLIENT.
class ClientPixels {
  public:
    explicit ClientPixels(HWND window) {
        RECT client;
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        // Magenta shows what the window did not draw.
        HBRUSH unpainted = CreateSolidBrush(RGB(255, 0, 255));
        RECT all = {0, 0, width_, height_};
        FillRect(dc, &all, unpainted);
        DeleteObject(unpainted);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* words = static_cast<const uint32_t*>(bits);
        pixels_.assign(words, words + static_cast<size_t>(width_) * height_);
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    Rgb At(int x, int y) const {
        const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>(p & 0xFF)};
    }
    Rgb At(POINT p) const { return At(p.x, p.y); }
    bool operator==(const ClientPixels& other) const { return pixels_ == other.pixels_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Waits for something that the animation thread brings about; the bound is only there so
// that a broken control fails the test instead of hanging it.
bool WaitFor(const std::function<bool()>& condition) {
    const ULONGLONG giveUp = GetTickCount64() + 30000;
    while (GetTickCount64() < giveUp) {
        PumpMessages();
        if (condition()) {
            return true;
        }
        Sleep(5);
    }
    return false;
}

SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

POINT PlaceInParent(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    POINT place = {rect.left, rect.top};
    ScreenToClient(GetParent(child), &place);
    return place;
}

// A top-level window with two static controls, as a dialog of the installer has them.
class PictureWindowTest : public ::testing::Test {
  protected:
    static constexpr int kImageId = 1000;
    static constexpr int kPictureId = 1017;

    void SetUp() override {
        OleInitialize(nullptr);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"PictureControlsTest";
        RegisterClassW(&windowClass);
        parent_ = CreateWindowExW(0, L"PictureControlsTest", L"Picture controls",
                                  WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
                                  520, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 299, 352, parent_,
                        reinterpret_cast<HMENU>(kImageId), GetModuleHandleW(nullptr), nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 330, 30, 60, 40, parent_,
                        reinterpret_cast<HMENU>(kPictureId), GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(image_.SubclassDlgItem(parent_, kImageId));
        ASSERT_TRUE(picture_.SubclassDlgItem(parent_, kPictureId));
        PumpMessages();
    }

    void TearDown() override {
        if (IsWindow(parent_)) {
            DestroyWindow(parent_);
        }
        PumpMessages();
        OleUninitialize();
    }

    HWND parent_ = nullptr;
    CImageWnd image_;
    CPictureEx picture_;
};

// ---- the animated picture ------------------------------------------------------------

TEST_F(PictureWindowTest, BusyAnimationPlaysAndStops) {
    const POINT before = PlaceInParent(picture_.Handle());
    ASSERT_TRUE(picture_.LoadFromResource(133));
    const SIZE size = ClientSize(picture_.Handle());
    EXPECT_EQ(size.cx, 146);
    EXPECT_EQ(size.cy, 95);
    EXPECT_EQ(PlaceInParent(picture_.Handle()).x, before.x);
    EXPECT_EQ(PlaceInParent(picture_.Handle()).y, before.y);
    // Loaded, not drawn yet: the canvas holds the menu colour only.
    const ClientPixels loaded(picture_.Handle());
    for (POINT p : {POINT{1, 1}, POINT{50, 60}, Dot(3)}) {
        EXPECT_TRUE(Near(loaded.At(p), FromColorRef(GetSysColor(COLOR_MENU))))
            << Text(loaded.At(p));
    }

    picture_.Draw();
    ASSERT_TRUE(picture_.IsPlaying());
    // The lit dot walks along the row: frames after the first are drawn with the colours
    // the picture script gave them, over the scene of frame 0.
    for (int dot : {0, 1, 2}) {
        EXPECT_TRUE(WaitFor([&] {
            return Near(ClientPixels(picture_.Handle()).At(Dot(dot)), kDotBright);
        })) << "dot "
            << dot << " never lit";
    }
    const ClientPixels playing(picture_.Handle());
    EXPECT_TRUE(Near(playing.At(50, 60), kBoxFront)) << Text(playing.At(50, 60));
    EXPECT_TRUE(Near(playing.At(Dot(10)), kDotDim)) << Text(playing.At(Dot(10)));

    // A whole cycle: the last dot, then the first again on a canvas cleared to the
    // button face (the scene's transparent corner shows it).
    ASSERT_TRUE(
        WaitFor([&] { return Near(ClientPixels(picture_.Handle()).At(Dot(13)), kDotBright); }));
    ASSERT_TRUE(
        WaitFor([&] { return Near(ClientPixels(picture_.Handle()).At(Dot(0)), kDotBright); }));
    EXPECT_TRUE(
        Near(ClientPixels(picture_.Handle()).At(1, 1), FromColorRef(GetSysColor(COLOR_BTNFACE))));

    picture_.Stop();
    EXPECT_FALSE(picture_.IsPlaying());
    // The thread ended within the bound, so the canvas is kept and no longer changes.
    const ClientPixels stopped(picture_.Handle());
    EXPECT_TRUE(Near(stopped.At(50, 60), kBoxFront));
    Sleep(300);
    PumpMessages();
    EXPECT_TRUE(ClientPixels(picture_.Handle()) == stopped);

    // Drawn again, it plays on.
    picture_.Draw();
    EXPECT_TRUE(picture_.IsPlaying());
    picture_.Unload();
    EXPECT_FALSE(picture_.IsPlaying());
    EXPECT_TRUE(Near(ClientPixels(picture_.Handle()).At(50, 60), {255, 0, 255}))
        << "an unloaded control draws nothing";
}

TEST_F(PictureWindowTest, DestroyingTheWindowStopsTheAnimation) {
    ASSERT_TRUE(picture_.LoadFromResource(133));
    picture_.Draw();
    ASSERT_TRUE(picture_.IsPlaying());
    DestroyWindow(parent_);
    EXPECT_FALSE(picture_.IsPlaying());
}

// A thread that has not ended when the stop bound has passed keeps its canvas: the control
// logs it and lets go, and the thread frees the canvas when it ends.
TEST_F(PictureWindowTest, ThreadPastTheStopBoundKeepsItsCanvas) {
    ASSERT_TRUE(picture_.LoadFromResource(133));
    picture_.Draw();
    ASSERT_TRUE(picture_.IsPlaying());
    const std::weak_ptr<controls::PictureCanvas> canvas = picture_.Canvas();
    {
        const std::shared_ptr<controls::PictureCanvas> held = canvas.lock();
        ASSERT_NE(held, nullptr);
        const auto hold = held->Hold();
        // No messages are pumped while the canvas is held: painting would wait for it too.
        const ULONGLONG giveUp = GetTickCount64() + 30000;
        while (held->Waiting() == 0 && GetTickCount64() < giveUp) {
            Sleep(5);
        }
        ASSERT_GT(held->Waiting(), 0) << "the animation thread never drew";
        picture_.Stop();  // the thread cannot end while the canvas is held
        EXPECT_FALSE(picture_.IsPlaying());
        EXPECT_TRUE(picture_.Canvas().expired());
        EXPECT_GE(held.use_count(), 2) << "the thread must still own the canvas";
    }
    EXPECT_TRUE(WaitFor([&] { return canvas.expired(); })) << "the thread never ended";
    const ClientPixels empty(picture_.Handle());
    EXPECT_TRUE(Near(empty.At(50, 60), {255, 0, 255}));

    std::ifstream log(std::filesystem::path(CInstallContext::Instance().logPath));
    const std::string text{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("animation thread did not end within 5000 ms"), std::string::npos);

    // The control loads and plays again.
    ASSERT_TRUE(picture_.LoadFromResource(133));
    picture_.Draw();
    EXPECT_TRUE(picture_.IsPlaying());
}

TEST_F(PictureWindowTest, OneFrameGifIsStill) {
    struct Case {
        std::string name;
        std::function<bool()> load;
        SIZE size;
        POINT probe;
        Rgb colour;
    };
    const std::vector<uint8_t> red = gif_test::GifBuilder(30, 20)
                                         .SetColour(1, 0xD02020)
                                         .Control(5, 1)
                                         .Image(0, 0, 30, 20, 1)
                                         .Trailer()
                                         .bytes;
    const std::vector<Case> cases = {
        {"resource 132",
         [&] { return picture_.LoadFromResource(132); },
         {400, 400},
         {2, 2},
         kSkyTop},
        {"a crafted GIF",
         [&] { return picture_.LoadFromMemory(red.data(), red.size()); },
         {30, 20},
         {15, 10},
         {0xD0, 0x20, 0x20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.load());
        picture_.Draw();
        EXPECT_FALSE(picture_.IsPlaying());
        EXPECT_EQ(ClientSize(picture_.Handle()).cx, c.size.cx);
        EXPECT_EQ(ClientSize(picture_.Handle()).cy, c.size.cy);
        const Rgb seen = ClientPixels(picture_.Handle()).At(c.probe);
        EXPECT_TRUE(Near(seen, c.colour)) << Text(seen);
    }
}

// An animation whose frames are all cut out and decoded one by one, including a frame
// after application and comment extensions and one without a graphic control extension.
TEST_F(PictureWindowTest, CraftedAnimationShowsItsFrames) {
    const std::vector<uint8_t> data = gif_test::GifBuilder(40, 30)
                                          .SetColour(1, 0x20A040)
                                          .SetColour(2, 0x2040C0)
                                          .Application()
                                          .Control(1, 1)
                                          .Image(0, 0, 40, 30, 1)
                                          .Comment("second")
                                          .Image(10, 10, 8, 8, 2)
                                          .Trailer()
                                          .bytes;
    ASSERT_TRUE(picture_.LoadFromMemory(data.data(), data.size()));
    picture_.Draw();
    ASSERT_TRUE(picture_.IsPlaying());
    // The second frame has no delay of its own: it stays until stopped.
    ASSERT_TRUE(WaitFor([&] {
        return Near(ClientPixels(picture_.Handle()).At(14, 14), {0x20, 0x40, 0xC0});
    }));
    const ClientPixels shown(picture_.Handle());
    EXPECT_TRUE(Near(shown.At(2, 2), {0x20, 0xA0, 0x40})) << Text(shown.At(2, 2));
    picture_.Stop();
    EXPECT_FALSE(picture_.IsPlaying());
}

TEST_F(PictureWindowTest, DataThatIsNoPictureFailsAndLeavesTheControlEmpty) {
    const std::string text = "not a picture at all";
    const std::vector<uint8_t> noBlock = gif_test::GifBuilder(8, 8).Trailer().bytes;
    const std::vector<uint8_t> cut = gif_test::GifBuilder(8, 8).Raw({0x2C, 0, 0}).bytes;
    EXPECT_FALSE(picture_.LoadFromMemory(text.data(), text.size()));
    EXPECT_FALSE(picture_.LoadFromMemory(noBlock.data(), noBlock.size()));
    EXPECT_FALSE(picture_.LoadFromMemory(cut.data(), cut.size()));
    EXPECT_FALSE(picture_.LoadFromMemory(nullptr, 0));
    EXPECT_FALSE(picture_.LoadFromResource(999));
    picture_.Draw();
    EXPECT_FALSE(picture_.IsPlaying());
    EXPECT_EQ(picture_.PictureWidth(), 0);
}

// ---- files made with GDI+'s encoders -------------------------------------------------

const CLSID kBmpEncoder = {
    0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const CLSID kJpegEncoder = {
    0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

constexpr Rgb kLeftHalf = {200, 40, 40};
constexpr Rgb kRightHalf = {40, 40, 200};

// A 40 x 30 picture, red on the left half and blue on the right, in the encoder's format.
bool WritePicture(const std::wstring& path, const CLSID& encoder) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(40, 30, 0, PixelFormat24bppRGB, nullptr, &bitmap) !=
        Gdiplus::Ok) {
        return false;
    }
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const Rgb c = x < 20 ? kLeftHalf : kRightHalf;
            GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b);
        }
    }
    const bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    return saved;
}

// The same picture as a GIF of our own making (Wine's GDI+ does not read back the GIFs
// its encoder writes).
bool WriteGif(const std::wstring& path) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            pixels.push_back(x < 20 ? 1 : 2);
        }
    }
    const std::vector<uint8_t> data = gif_test::GifBuilder(40, 30)
                                          .SetColour(1, 0xC82828)
                                          .SetColour(2, 0x2828C8)
                                          .Image(0, 0, 40, 30, pixels)
                                          .Trailer()
                                          .bytes;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return out.good();
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(PictureWindowTest, StillPicturesShowAtTheirNaturalSize) {
    ScopedTempDir dir;
    struct Case {
        std::wstring file;
        CLSID encoder;
        int tolerance;  // JPEG's loss
    };
    for (const Case& c :
         {Case{L"still.bmp", kBmpEncoder, 0}, Case{L"still.jpg", kJpegEncoder, 24}}) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        ASSERT_TRUE(WritePicture(dir / c.file, c.encoder));
        const std::vector<uint8_t> bytes = ReadBytes(dir / c.file);
        SetWindowPos(picture_.Handle(), nullptr, 330, 30, 60, 40, SWP_NOZORDER);
        ASSERT_TRUE(picture_.LoadFromMemory(bytes.data(), bytes.size()));
        picture_.Draw();
        EXPECT_FALSE(picture_.IsPlaying());
        // HIMETRIC to pixels and back may round by one.
        const SIZE size = ClientSize(picture_.Handle());
        EXPECT_NEAR(size.cx, 40, 1);
        EXPECT_NEAR(size.cy, 30, 1);
        EXPECT_EQ(PlaceInParent(picture_.Handle()).x, 330);
        EXPECT_EQ(PlaceInParent(picture_.Handle()).y, 30);
        const ClientPixels shown(picture_.Handle());
        EXPECT_TRUE(Near(shown.At(5, 15), kLeftHalf, c.tolerance)) << Text(shown.At(5, 15));
        EXPECT_TRUE(Near(shown.At(34, 15), kRightHalf, c.tolerance)) << Text(shown.At(34, 15));
    }
}

// ---- the side picture ----------------------------------------------------------------

TEST_F(PictureWindowTest, ImageWindowLoadsPictureFilesOnly) {
    ScopedTempDir dir;
    {
        std::ofstream text(std::filesystem::path(dir / L"readme.txt"));
        text << "This is a text file, not a picture.\n";
    }
    struct Case {
        std::wstring file;
        const CLSID* encoder;  // null: written by the test, or no picture at all
        bool loads;
    };
    const std::vector<Case> cases = {
        {L"", nullptr, false},
        {L"missing.png", nullptr, false},
        {L"readme.txt", nullptr, false},
        {L"side.bmp", &kBmpEncoder, true},
        {L"side.jpg", &kJpegEncoder, true},
        {L"side.png", &kPngEncoder, true},
        {L"side.gif", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        const std::wstring path = c.file.empty() ? L"" : dir / c.file;
        if (c.encoder != nullptr) {
            ASSERT_TRUE(WritePicture(path, *c.encoder));
        } else if (c.file.ends_with(L".gif")) {
            ASSERT_TRUE(WriteGif(path));
        }
        EXPECT_EQ(image_.LoadFromFile(path), c.loads);
        if (!c.loads) {
            continue;
        }
        // The 40 x 30 picture fills the whole 299 x 352 control, whatever its aspect.
        const ClientPixels shown(image_.Handle());
        const int tolerance = c.file.ends_with(L".jpg") ? 24 : 4;  // JPEG loses detail
        for (POINT p : {POINT{10, 20}, POINT{130, 330}}) {
            EXPECT_TRUE(Near(shown.At(p), kLeftHalf, tolerance)) << Text(shown.At(p));
        }
        for (POINT p : {POINT{170, 20}, POINT{290, 330}}) {
            EXPECT_TRUE(Near(shown.At(p), kRightHalf, tolerance)) << Text(shown.At(p));
        }
    }
}

TEST_F(PictureWindowTest, BuiltInSidePictureIsStretchedToTheControl) {
    image_.ShowBuiltInPicture();
    // Bitmap 129 is 598 x 704; the control shows it at half size.
    const ClientPixels shown(image_.Handle());
    EXPECT_TRUE(Near(shown.At(50, 2), kSkyTop, 6)) << Text(shown.At(50, 2));
    EXPECT_TRUE(Near(shown.At(140, 225), kBoxTape, 6)) << Text(shown.At(140, 225));
    EXPECT_TRUE(Near(shown.At(110, 225), kBoxFront, 6)) << Text(shown.At(110, 225));

    // Both controls as a dialog shows them, kept as an artefact.
    ASSERT_TRUE(picture_.LoadFromResource(133));
    picture_.Draw();
    ASSERT_TRUE(
        WaitFor([&] { return Near(ClientPixels(picture_.Handle()).At(Dot(4)), kDotBright); }));
    SetForegroundWindow(parent_);
    EXPECT_TRUE(SaveWindowAsPng(parent_, ArtifactPath(L"picture_controls.png")));
}

}  // namespace

#endif  // _WIN32
