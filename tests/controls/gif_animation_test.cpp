#include "controls/gif_animation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using controls::AnimationFrame;
using controls::AnimationPosition;
using controls::PictureRect;

namespace {

std::string Text(const PictureRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height);
}

// Writes down every operation; asks to stop once it has waited `waits` times.
class RecordingCanvas : public controls::AnimationCanvas {
  public:
    explicit RecordingCanvas(size_t waits) : waitsLeft_(waits) {}
    bool StopRequested() override { return waitsLeft_ == 0; }
    void Render(size_t frame) override { log.push_back("render " + std::to_string(frame)); }
    void Wait(uint32_t milliseconds) override {
        log.push_back("wait " + std::to_string(milliseconds));
        --waitsLeft_;
    }
    void Fill(const PictureRect& rect) override { log.push_back("fill " + Text(rect)); }
    void SaveUnder(const PictureRect& rect) override { log.push_back("save " + Text(rect)); }
    void RestoreUnder(const PictureRect& rect) override { log.push_back("restore " + Text(rect)); }

    std::vector<std::string> log;

  private:
    size_t waitsLeft_;
};

AnimationFrame Frame(uint32_t delay, uint32_t disposal, PictureRect rect = {2, 3, 4, 5}) {
    AnimationFrame frame;
    frame.rect = rect;
    frame.delay = delay;
    frame.disposal = disposal;
    return frame;
}

TEST(AnimationScheduleTest, OperationsForEachDisposal) {
    struct Case {
        std::string name;
        std::vector<AnimationFrame> frames;
        size_t waits;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"disposal 1 leaves the frame; the cycle ends with a clear",
         {Frame(7, 1, {0, 0, 10, 8}), Frame(3, 1)},
         3,
         {"render 0", "wait 70", "render 1", "wait 30", "fill 0,0 10x8", "render 0", "wait 70"}},
        {"disposal 2 clears the frame's rectangle",
         {Frame(7, 2, {0, 0, 10, 8}), Frame(7, 2)},
         3,
         {"fill 0,0 10x8", "render 0", "wait 70", "fill 0,0 10x8", "render 1", "wait 70",
          "fill 2,3 4x5", "fill 0,0 10x8", "render 0", "wait 70"}},
        {"disposal 3 puts back what lay under the frame",
         {Frame(7, 1, {0, 0, 10, 8}), Frame(7, 3)},
         3,
         {"render 0", "wait 70", "save 2,3 4x5", "render 1", "wait 70", "restore 2,3 4x5",
          "fill 0,0 10x8", "render 0", "wait 70"}},
        {"delay 0: no pause",
         {Frame(0, 1), Frame(0, 1)},
         2,
         {"render 0", "wait 0", "render 1", "wait 0"}},
        {"no control extension: waits 4294967286 ms",
         {Frame(0xFFFFFFFF, 0), Frame(7, 0)},
         1,
         {"render 0", "wait 4294967286"}},
        {"other disposal methods leave the canvas",
         {Frame(1, 0), Frame(1, 5)},
         3,
         {"render 0", "wait 10", "render 1", "wait 10", "fill 0,0 10x8", "render 0", "wait 10"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas(c.waits);
        AnimationPosition position;
        controls::PlayAnimation(c.frames, 10, 8, position, canvas);
        EXPECT_EQ(canvas.log, c.expected);
    }
}

TEST(AnimationScheduleTest, RestartResumesTheStoppedFrame) {
    const std::vector<AnimationFrame> frames = {Frame(7, 1, {0, 0, 10, 8}), Frame(5, 3)};
    AnimationPosition position;
    RecordingCanvas first(2);
    controls::PlayAnimation(frames, 10, 8, position, first);
    EXPECT_EQ(position.frame, 1u);
    EXPECT_TRUE(position.saved);

    // The frame it stopped on is undone first, then shown again.
    RecordingCanvas second(1);
    controls::PlayAnimation(frames, 10, 8, position, second);
    const std::vector<std::string> expected = {"restore 2,3 4x5", "save 2,3 4x5", "render 1",
                                               "wait 50"};
    EXPECT_EQ(second.log, expected);
}

TEST(AnimationScheduleTest, StopBeforeTheFirstFrameDrawsNothing) {
    RecordingCanvas canvas(0);
    AnimationPosition position;
    controls::PlayAnimation({Frame(7, 1), Frame(7, 1)}, 10, 8, position, canvas);
    EXPECT_TRUE(canvas.log.empty());
    controls::PlayAnimation({}, 10, 8, position, canvas);
    EXPECT_TRUE(canvas.log.empty());
}

TEST(AnimationScheduleTest, WaitIsComputedIn32Bits) {
    EXPECT_EQ(controls::FrameWaitMilliseconds(7), 70u);
    EXPECT_EQ(controls::FrameWaitMilliseconds(0), 0u);
    EXPECT_EQ(controls::FrameWaitMilliseconds(0xFFFFFFFF), 4294967286u);
}

}  // namespace
