#pragma once
// The frame schedule of an animated picture, apart from any window or clock: the
// animation thread drives an AnimationCanvas with it, and tests drive a recording one.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace controls {

struct PictureRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// What the schedule needs to know of one frame.
struct AnimationFrame {
    PictureRect rect;
    uint32_t delay = 0;     // hundredths of a second
    uint32_t disposal = 0;  // 2: clear to the background; 3: restore what lay under it
};

// The operations the schedule asks for, in order.
class AnimationCanvas {
  public:
    virtual ~AnimationCanvas() = default;
    virtual bool StopRequested() = 0;
    // Draws the frame's picture at its place.
    virtual void Render(size_t frame) = 0;
    // Waits this long, or less when a stop is requested.
    virtual void Wait(uint32_t milliseconds) = 0;
    // Fills the rectangle with the background colour.
    virtual void Fill(const PictureRect& rect) = 0;
    // Keeps what lies in the rectangle so that RestoreUnder can put it back.
    virtual void SaveUnder(const PictureRect& rect) = 0;
    // Puts back what SaveUnder kept, at the rectangle, and forgets it.
    virtual void RestoreUnder(const PictureRect& rect) = 0;
};

// Where an animation stands between runs of the schedule, so that a stopped animation
// resumes with the frame it was showing.
struct AnimationPosition {
    size_t frame = 0;
    bool saved = false;  // a save area is kept for the current frame
};

// The wait for a frame's delay, in 32-bit arithmetic as the delay of a frame without a
// graphic control extension (0xFFFFFFFF) expects: 4294967286 ms.
inline uint32_t FrameWaitMilliseconds(uint32_t delay) {
    return delay * 10u;
}

// Plays the frames until the canvas reports a stop: render, wait, dispose, next; after
// the last frame the whole picture (width x height) is cleared to the background and the
// cycle starts again from frame 0.
void PlayAnimation(const std::vector<AnimationFrame>& frames, int32_t width, int32_t height,
                   AnimationPosition& position, AnimationCanvas& canvas);

}  // namespace controls
