#include "controls/gif_reader.h"

#include <cstring>

namespace controls {

namespace {

constexpr uint32_t kScreenEnd = 13;  // header (6) and logical screen descriptor (7)
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;

// Bytes of a colour table announced by a packed byte (bit 7: present; bits 0-2: size).
uint32_t ColourTableSize(uint8_t packed) {
    return (packed & 0x80) != 0 ? 3u << ((packed & 7) + 1) : 0;
}

}  // namespace

bool IsGifData(const uint8_t* data, size_t size) {
    return size >= 6 &&
           (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

bool ReadGifScreen(const uint8_t* data, size_t size, GifScreen& screen) {
    // Offsets are 32-bit; larger data is no picture the controls show.
    if (!IsGifData(data, size) || size < kScreenEnd || size > UINT32_MAX) {
        return false;
    }
    screen.width = data[6] | (data[7] << 8);
    screen.height = data[8] | (data[9] << 8);
    screen.globalTableSize = ColourTableSize(data[10]);
    screen.firstBlock = kScreenEnd + screen.globalTableSize;
    return screen.firstBlock <= size;
}

GifBlockWalker::GifBlockWalker(const uint8_t* data, size_t size, const GifScreen& screen)
    : data_(data), size_(size), offset_(screen.firstBlock) {}

uint32_t GifBlockWalker::Read16(uint32_t at) const {
    return data_[at] | (data_[at + 1] << 8);
}

GifBlockWalker::Kind GifBlockWalker::KindAt(uint32_t at) const {
    if (at >= size_) {
        return Kind::Unknown;
    }
    switch (data_[at]) {
        case kImage:
            return Kind::Image;
        case kTrailer:
            return Kind::Trailer;
        case kExtension:
            break;
        default:
            return Kind::Unknown;
    }
    if (at + 1 >= size_) {
        return Kind::Unknown;
    }
    switch (data_[at + 1]) {
        case 0xFF:
            return Kind::Application;
        case 0xFE:
            return Kind::Comment;
        case 0xF9:
            return Kind::GraphicControl;
        case 0x01:
            return Kind::PlainText;
        default:
            return Kind::Unknown;
    }
}

bool GifBlockWalker::SubBlocksLength(uint64_t at, uint64_t& length) const {
    uint64_t position = at;
    while (position < size_) {
        const uint8_t count = data_[position];
        position += 1;
        if (count == 0) {
            length = position - at;
            return true;
        }
        position += count;
    }
    return false;
}

bool GifBlockWalker::BlockLength(Kind kind, uint32_t at, uint32_t& length) const {
    uint64_t head = 0;
    bool subBlocks = true;
    switch (kind) {
        case Kind::Application:
            head = 14;
            break;
        case Kind::Comment:
            head = 2;
            break;
        case Kind::PlainText:
            head = 15;
            break;
        case Kind::GraphicControl:
            head = 8;
            subBlocks = false;
            break;
        case Kind::Image:
            if (uint64_t{at} + 10 > size_) {
                return false;
            }
            // Descriptor, local colour table, the LZW code size byte, then the data.
            head = 10 + ColourTableSize(data_[at + 9]) + 1;
            break;
        case Kind::Trailer:
        case Kind::Unknown:
            return false;
    }
    uint64_t tail = 0;
    if (subBlocks && !SubBlocksLength(uint64_t{at} + head, tail)) {
        return false;
    }
    const uint64_t total = head + tail;
    if (total == 0 || uint64_t{at} + total > size_) {
        return false;
    }
    length = static_cast<uint32_t>(total);
    return true;
}

bool GifBlockWalker::Next(GifGraphicBlock& block) {
    block = GifGraphicBlock{};
    bool hasControl = false;
    while (!over_) {
        const Kind kind = KindAt(offset_);
        uint32_t length = 0;
        if (!BlockLength(kind, offset_, length)) {
            over_ = true;
            break;
        }
        const uint32_t at = offset_;
        offset_ += length;
        if (kind == Kind::GraphicControl && !hasControl) {
            hasControl = true;
            block.begin = at;
            block.disposal = (data_[at + 3] >> 2) & 7;
            block.delay = Read16(at + 4);
        } else if (kind == Kind::Image || kind == Kind::PlainText) {
            if (!hasControl) {
                block.begin = at;
            }
            // An image descriptor places the frame; a plain-text extension is placed by
            // its text grid, which sits at the same distance two bytes further on.
            const uint32_t place = kind == Kind::Image ? at + 1 : at + 3;
            block.left = static_cast<int32_t>(Read16(place));
            block.top = static_cast<int32_t>(Read16(place + 2));
            block.width = static_cast<int32_t>(Read16(place + 4));
            block.height = static_cast<int32_t>(Read16(place + 6));
            block.end = offset_;
            return true;
        }
        // Application and comment extensions, and any extension after the graphic
        // control extension, are skipped.
    }
    return false;
}

size_t CountGifFrames(const uint8_t* data, size_t size, const GifScreen& screen) {
    GifBlockWalker walker(data, size, screen);
    GifGraphicBlock block;
    size_t count = 0;
    while (walker.Next(block)) {
        ++count;
    }
    return count;
}

std::vector<uint8_t> BuildFrameGif(const uint8_t* data, const GifScreen& screen,
                                   const GifGraphicBlock& block) {
    std::vector<uint8_t> frame(data, data + screen.firstBlock);
    frame.insert(frame.end(), data + block.begin, data + block.end);
    frame.push_back(kTrailer);
    return frame;
}

}  // namespace controls
