// GIF data as a downloaded or built-in picture brings it: the screen, the walk over the
// graphic blocks and each frame cut out as a GIF of its own. Every block the walk returns
// lies inside the data, the counting walk agrees with the taking walk, and a frame's GIF
// is a GIF again with exactly one graphic block.
#include <cstddef>
#include <cstdint>

#include "controls/gif_reader.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    controls::GifScreen screen;
    if (!controls::IsGifData(data, size) || !controls::ReadGifScreen(data, size, screen))
        return 0;
    FUZZ_CHECK(screen.firstBlock <= size);
    controls::GifBlockWalker walker(data, size, screen);
    controls::GifGraphicBlock block;
    size_t frames = 0;
    while (walker.Next(block)) {
        ++frames;
        FUZZ_CHECK(block.begin < block.end && block.end <= size);
        const std::vector<uint8_t> frame = controls::BuildFrameGif(data, screen, block);
        controls::GifScreen frameScreen;
        FUZZ_CHECK(controls::ReadGifScreen(frame.data(), frame.size(), frameScreen));
        FUZZ_CHECK(controls::CountGifFrames(frame.data(), frame.size(), frameScreen) == 1);
    }
    FUZZ_CHECK(controls::CountGifFrames(data, size, screen) == frames);
    return 0;
}
