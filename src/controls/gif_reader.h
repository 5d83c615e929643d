#pragma once
// Reads the block structure of GIF data so that an animation can be cut into frames that
// the system's picture loader decodes one by one. No operating-system call: every read is
// checked against the data's size, and a block that cannot be read ends the walk.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace controls {

// Delay of a frame that has no graphic control extension: it stays until stopped.
constexpr uint32_t kNoFrameDelay = 0xFFFFFFFF;

// The header and logical screen of a GIF.
struct GifScreen {
    int32_t width = 0;
    int32_t height = 0;
    // Bytes of the global colour table (0 when there is none).
    uint32_t globalTableSize = 0;
    // Offset of the first block: header, screen descriptor and global table come before.
    uint32_t firstBlock = 0;
};

// One graphic block: an optional graphic control extension, other extensions, and the
// image descriptor (or plain-text extension) that ends it. A frame of the animation.
struct GifGraphicBlock {
    // Hundredths of a second; kNoFrameDelay without a graphic control extension.
    uint32_t delay = kNoFrameDelay;
    // Bits 2-4 of the graphic control extension's packed byte; 0 without one.
    uint32_t disposal = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    // The bytes from the graphic control extension (or the image block when there is
    // none) to just past the image block.
    uint32_t begin = 0;
    uint32_t end = 0;
};

// True when the data begins with "GIF87a" or "GIF89a".
bool IsGifData(const uint8_t* data, size_t size);

// Reads the header and logical screen; false when they (with the global colour table)
// do not fit in the data.
bool ReadGifScreen(const uint8_t* data, size_t size, GifScreen& screen);

// Walks the graphic blocks of the data from the first block on. Once a block is unknown,
// has no positive length or would run past the data, the walk is over for good.
class GifBlockWalker {
  public:
    GifBlockWalker(const uint8_t* data, size_t size, const GifScreen& screen);

    // The next graphic block; false when none is left.
    bool Next(GifGraphicBlock& block);

  private:
    enum class Kind { Application, Comment, GraphicControl, PlainText, Image, Trailer, Unknown };
    Kind KindAt(uint32_t at) const;
    // Length of the whole block at the offset; false when it cannot be read in the data.
    bool BlockLength(Kind kind, uint32_t at, uint32_t& length) const;
    // Length of a run of sub-blocks with its terminator.
    bool SubBlocksLength(uint64_t at, uint64_t& length) const;
    uint32_t Read16(uint32_t at) const;

    const uint8_t* data_;
    size_t size_;
    uint32_t offset_;
    bool over_ = false;
};

// Counts the graphic blocks (the frames) of the data.
size_t CountGifFrames(const uint8_t* data, size_t size, const GifScreen& screen);

// A GIF of one frame: header, screen descriptor and global table of the data, the block's
// bytes, and the trailer.
std::vector<uint8_t> BuildFrameGif(const uint8_t* data, const GifScreen& screen,
                                   const GifGraphicBlock& block);

}  // namespace controls
