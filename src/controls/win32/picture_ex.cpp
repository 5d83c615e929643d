#include "controls/win32/picture_ex.h"

#include "app/install_context.h"
#include "controls/gif_reader.h"
#include "controls/win32/memory_stream.h"

namespace {

using controls::GifFrame;
using controls::PictureCanvas;
using controls::PictureRect;

// The picture the OLE loader decodes from a copy of the bytes; null when it cannot.
IPicture* LoadPicture(const unsigned char* data, size_t size) {
    IStream* stream = controls::CreateMemoryStream(data, size);
    if (stream == nullptr) {
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture)))) {
        picture = nullptr;
    }
    stream->Release();
    return picture;
}

// The animation thread's view of the canvas: the frame schedule drives it.
class ThreadCanvas : public controls::AnimationCanvas {
  public:
    explicit ThreadCanvas(PictureCanvas& canvas) : canvas_(canvas) {}
    bool StopRequested() override { return canvas_.StopRequested(); }
    void Render(size_t frame) override {
        const GifFrame& shown = canvas_.frames[frame];
        if (canvas_.Render(shown.picture, shown.timing.rect)) {
            canvas_.Invalidate();
        }
    }
    void Wait(uint32_t milliseconds) override { canvas_.Wait(milliseconds); }
    void Fill(const PictureRect& rect) override { canvas_.Fill(rect); }
    void SaveUnder(const PictureRect& rect) override { canvas_.SaveUnder(rect); }
    void RestoreUnder(const PictureRect& rect) override { canvas_.RestoreUnder(rect); }

  private:
    PictureCanvas& canvas_;
};

// Holds its own reference to the canvas: it is freed by whichever of the control and the
// thread lets go last.
DWORD WINAPI AnimationThread(void* argument) {
    const std::unique_ptr<std::shared_ptr<PictureCanvas>> canvas(
        static_cast<std::shared_ptr<PictureCanvas>*>(argument));
    PictureCanvas& shared = **canvas;
    std::vector<controls::AnimationFrame> timings;
    for (const GifFrame& frame : shared.frames) {
        timings.push_back(frame.timing);
    }
    ThreadCanvas target(shared);
    controls::PlayAnimation(timings, shared.Width(), shared.Height(), shared.position, target);
    return 0;
}

void ReleaseFrames(std::vector<GifFrame>& frames) {
    for (GifFrame& frame : frames) {
        frame.picture->Release();
    }
    frames.clear();
}

}  // namespace

CPictureEx::~CPictureEx() {
    Unload();
}

bool CPictureEx::LoadFromResource(int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"GIF");
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return false;
    }
    return LoadFromMemory(data, size);
}

bool CPictureEx::LoadFromMemory(const void* data, size_t size) {
    Unload();
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF) {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (controls::IsGifData(bytes, size)) {
        if (!LoadAnimation(bytes, size)) {
            return false;
        }
    } else {
        still_ = LoadPicture(bytes, size);
        if (still_ == nullptr) {
            return false;
        }
        // The picture's natural size, from HIMETRIC units at the window's resolution.
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        still_->get_Width(&width);
        still_->get_Height(&height);
        HDC dc = GetDC(Handle());
        width_ = MulDiv(width, GetDeviceCaps(dc, LOGPIXELSX), 2540);
        height_ = MulDiv(height, GetDeviceCaps(dc, LOGPIXELSY), 2540);
        ReleaseDC(Handle(), dc);
    }
    if (!PrepareCanvas(width_, height_)) {
        Unload();
        return false;
    }
    return true;
}

bool CPictureEx::LoadAnimation(const unsigned char* data, size_t size) {
    controls::GifScreen screen;
    if (!controls::ReadGifScreen(data, size, screen)) {
        return false;
    }
    width_ = screen.width;
    height_ = screen.height;
    const size_t count = controls::CountGifFrames(data, size, screen);
    if (count == 0) {
        return false;
    }
    if (count == 1) {
        still_ = LoadPicture(data, size);
        return still_ != nullptr;
    }
    controls::GifBlockWalker walker(data, size, screen);
    controls::GifGraphicBlock block;
    while (walker.Next(block)) {
        const std::vector<uint8_t> alone = controls::BuildFrameGif(data, screen, block);
        IPicture* picture = LoadPicture(alone.data(), alone.size());
        if (picture == nullptr) {
            continue;  // a frame that does not decode is left out; the others play
        }
        GifFrame frame;
        frame.picture = picture;
        frame.timing.rect = {block.left, block.top, block.width, block.height};
        frame.timing.delay = block.delay;
        frame.timing.disposal = block.disposal;
        frames_.push_back(frame);
    }
    return !frames_.empty();
}

bool CPictureEx::PrepareCanvas(int width, int height) {
    SetWindowPos(Handle(), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    canvas_ = PictureCanvas::Create(Handle(), width, height);
    if (canvas_ == nullptr) {
        return false;
    }
    canvas_->frames = std::move(frames_);
    frames_.clear();
    return true;
}

void CPictureEx::Draw() {
    if (canvas_ == nullptr || thread_ != nullptr) {
        return;
    }
    if (canvas_->frames.size() >= 2) {
        auto* argument = new std::shared_ptr<PictureCanvas>(canvas_);
        thread_ = CreateThread(nullptr, 0, &AnimationThread, argument, CREATE_SUSPENDED, nullptr);
        if (thread_ == nullptr) {
            delete argument;
            return;
        }
        ResumeThread(thread_);
        return;
    }
    // A still picture, or the only frame of an animation whose other frames did not decode.
    const bool rendered =
        still_ != nullptr
            ? canvas_->Render(still_, PictureRect{0, 0, width_, height_})
            : canvas_->Render(canvas_->frames[0].picture, canvas_->frames[0].timing.rect);
    if (rendered) {
        canvas_->Invalidate();
    }
}

void CPictureEx::Stop() {
    if (canvas_ == nullptr) {
        return;
    }
    canvas_->RequestStop();
    if (thread_ != nullptr) {
        const DWORD ended = WaitForSingleObject(thread_, kStopBoundMs);
        CloseHandle(thread_);
        thread_ = nullptr;
        if (ended != WAIT_OBJECT_0) {
            // The thread may still draw: it keeps the canvas (and its stop request) until it
            // ends, and the control lets go of it.
            CInstallContext::Instance().Log(
                L"CPictureEx: animation thread did not end within %d ms; its canvas is freed "
                L"when it ends",
                static_cast<int>(kStopBoundMs));
            canvas_.reset();
            return;
        }
    }
    canvas_->ClearStop();
}

void CPictureEx::Unload() {
    Stop();
    if (still_ != nullptr) {
        still_->Release();
        still_ = nullptr;
    }
    ReleaseFrames(frames_);
    canvas_.reset();
    width_ = 0;
    height_ = 0;
}

LRESULT CPictureEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            if (canvas_ != nullptr) {
                canvas_->CopyTo(dc);
            }
            EndPaint(Handle(), &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            // Drawing into a caller's DC: captures and tests see what the window shows.
            if (canvas_ != nullptr) {
                canvas_->CopyTo(reinterpret_cast<HDC>(wParam));
            }
            return 0;
        case WM_DESTROY:
            Stop();
            return DefaultHandling(message, wParam, lParam);
        default:
            return DefaultHandling(message, wParam, lParam);
    }
}
