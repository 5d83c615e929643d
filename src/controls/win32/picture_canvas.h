#pragma once
// The off-screen copy of a CPictureEx's picture and everything its animation thread
// touches. Shared between the control and the thread: a thread that does not end within
// the stop bound keeps the canvas alive until it does.
#include <windows.h>
// Lean windows.h leaves out the OLE picture declarations.
#include <ole2.h>
#include <olectl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "controls/gif_animation.h"

namespace controls {

// One frame of an animation: its picture, decoded once when loading, and its timing.
struct GifFrame {
    IPicture* picture = nullptr;  // owned
    AnimationFrame timing;
};

class PictureCanvas {
  public:
    // A canvas of width x height compatible with the window, filled with the menu colour;
    // null when it cannot be made.
    static std::shared_ptr<PictureCanvas> Create(HWND window, int width, int height);
    ~PictureCanvas();
    PictureCanvas(const PictureCanvas&) = delete;
    PictureCanvas& operator=(const PictureCanvas&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Canvas operations. Each holds the canvas lock for its own drawing only, so that the
    // animation thread and painting never touch the canvas at the same time.
    bool Render(IPicture* picture, const PictureRect& rect);
    void Fill(const PictureRect& rect);
    void SaveUnder(const PictureRect& rect);
    void RestoreUnder(const PictureRect& rect);
    void CopyTo(HDC target);
    // Tells the window that the canvas changed.
    void Invalidate() const;
    // Keeps the canvas still while the holder reads it; drawing waits meanwhile.
    [[nodiscard]] std::unique_lock<std::mutex> Hold();
    // Threads waiting for the canvas (a holder sees when the animation waits for it).
    int Waiting() const { return waiting_.load(); }

    // The animation; frames are released with the canvas.
    std::vector<GifFrame> frames;
    AnimationPosition position;

    void RequestStop();
    void ClearStop();
    bool StopRequested() const { return stop_.load(); }
    // Waits the time out, or until a stop is requested.
    void Wait(uint32_t milliseconds) const;

  private:
    PictureCanvas() = default;
    void FreeSaveArea();

    HWND window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    COLORREF background_ = 0xFFFFFF;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    HDC saveDc_ = nullptr;
    HBITMAP saveBitmap_ = nullptr;
    HGDIOBJ savePrevious_ = nullptr;
    std::mutex lock_;
    std::atomic<int> waiting_{0};
    std::atomic<bool> stop_{false};
    // Manual-reset: cuts a frame's wait short when the animation is stopped.
    HANDLE stopEvent_ = nullptr;
};

}  // namespace controls
