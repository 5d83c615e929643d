#include "controls/gif_animation.h"

namespace controls {

namespace {

void Dispose(const AnimationFrame& frame, AnimationPosition& position, AnimationCanvas& canvas) {
    if (frame.disposal == 2) {
        canvas.Fill(frame.rect);
    } else if (frame.disposal == 3 && position.saved) {
        canvas.RestoreUnder(frame.rect);
        position.saved = false;
    }
}

}  // namespace

void PlayAnimation(const std::vector<AnimationFrame>& frames, int32_t width, int32_t height,
                   AnimationPosition& position, AnimationCanvas& canvas) {
    if (frames.empty()) {
        return;
    }
    if (position.frame >= frames.size()) {
        position = AnimationPosition{};
    }
    // A restarted animation first undoes the frame it stopped on.
    Dispose(frames[position.frame], position, canvas);
    while (!canvas.StopRequested()) {
        const AnimationFrame& frame = frames[position.frame];
        if (frame.disposal == 3 && !position.saved) {
            canvas.SaveUnder(frame.rect);
            position.saved = true;
        }
        canvas.Render(position.frame);
        if (canvas.StopRequested()) {
            return;
        }
        canvas.Wait(FrameWaitMilliseconds(frame.delay));
        if (canvas.StopRequested()) {
            return;
        }
        Dispose(frame, position, canvas);
        if (++position.frame == frames.size()) {
            position.frame = 0;
            canvas.Fill(PictureRect{0, 0, width, height});
        }
    }
}

}  // namespace controls
