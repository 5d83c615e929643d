#include "controls/gif_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "controls/gif_builder.h"

using controls::GifBlockWalker;
using controls::GifGraphicBlock;
using controls::GifScreen;
using gif_test::GifBuilder;

namespace {

std::vector<GifGraphicBlock> Walk(const std::vector<uint8_t>& data) {
    GifScreen screen;
    if (!controls::ReadGifScreen(data.data(), data.size(), screen)) {
        ADD_FAILURE() << "no GIF screen";
        return {};
    }
    GifBlockWalker walker(data.data(), data.size(), screen);
    std::vector<GifGraphicBlock> blocks;
    GifGraphicBlock block;
    while (walker.Next(block)) {
        blocks.push_back(block);
    }
    EXPECT_EQ(controls::CountGifFrames(data.data(), data.size(), screen), blocks.size());
    return blocks;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GifScreenTest, HeaderAndGlobalTable) {
    struct Case {
        std::string name;
        std::vector<uint8_t> data;
        bool ok;
        uint32_t table;
    };
    const std::vector<Case> cases = {
        {"89a with 4 colours", GifBuilder(146, 95, 2).bytes, true, 12},
        {"87a with 256 colours", GifBuilder(146, 95, 8, "GIF87a").bytes, true, 768},
        {"no global table", GifBuilder(146, 95, 0).bytes, true, 0},
        {"other version", GifBuilder(146, 95, 2, "GIF88a").bytes, false, 0},
        {"a bitmap", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GifScreen screen;
        ASSERT_EQ(controls::ReadGifScreen(c.data.data(), c.data.size(), screen), c.ok);
        if (c.ok) {
            EXPECT_EQ(screen.width, 146);
            EXPECT_EQ(screen.height, 95);
            EXPECT_EQ(screen.globalTableSize, c.table);
            EXPECT_EQ(screen.firstBlock, 13 + c.table);
        }
    }
    // The header, or the global table it announces, cut short.
    const std::vector<uint8_t> whole = GifBuilder(4, 4, 8).bytes;
    for (size_t size : {size_t{6}, size_t{12}, size_t{13}, whole.size() - 1}) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + size);
        GifScreen screen;
        EXPECT_FALSE(controls::ReadGifScreen(cut.data(), cut.size(), screen)) << size;
    }
}

TEST(GifWalkTest, FramesAndTheirTiming) {
    struct Case {
        std::string name;
        std::vector<uint8_t> data;
        std::vector<GifGraphicBlock> expected;  // delay, disposal, left, top, width, height
    };
    const auto frame = [](uint32_t delay, uint32_t disposal, int32_t left, int32_t top,
                          int32_t width, int32_t height) {
        GifGraphicBlock block;
        block.delay = delay;
        block.disposal = disposal;
        block.left = left;
        block.top = top;
        block.width = width;
        block.height = height;
        return block;
    };
    const std::vector<Case> cases = {
        {"two frames with control extensions",
         GifBuilder(20, 10)
             .Control(7, 1)
             .Image(0, 0, 20, 10)
             .Control(3, 2)
             .Image(5, 2, 4, 3)
             .Trailer()
             .bytes,
         {frame(7, 1, 0, 0, 20, 10), frame(3, 2, 5, 2, 4, 3)}},
        {"no control extension: stays until stopped",
         GifBuilder(8, 8).Image(1, 2, 3, 4).Trailer().bytes,
         {frame(0xFFFFFFFF, 0, 1, 2, 3, 4)}},
        {"delay 0 and disposal 3",
         GifBuilder(8, 8).Control(0, 3).Image(0, 0, 8, 8).Trailer().bytes,
         {frame(0, 3, 0, 0, 8, 8)}},
        {"application and comment extensions are skipped",
         GifBuilder(8, 8)
             .Application()
             .Comment("made by a test")
             .Control(5, 1)
             .Comment("between")
             .Image(0, 0, 8, 8)
             .Comment("after")
             .Control(6, 2)
             .Image(2, 2, 2, 2)
             .Trailer()
             .bytes,
         {frame(5, 1, 0, 0, 8, 8), frame(6, 2, 2, 2, 2, 2)}},
        {"a local colour table is stepped over",
         GifBuilder(8, 8)
             .Control(4, 1)
             .Image(0, 0, 8, 8, 3, 3)
             .Control(4, 2)
             .Image(1, 1, 2, 2)
             .Trailer()
             .bytes,
         {frame(4, 1, 0, 0, 8, 8), frame(4, 2, 1, 1, 2, 2)}},
        {"a plain-text extension ends a block, placed by its text grid",
         GifBuilder(40, 20)
             .Control(9, 2)
             .PlainText(4, 5, 30, 10)
             .Image(0, 0, 40, 20)
             .Trailer()
             .bytes,
         {frame(9, 2, 4, 5, 30, 10), frame(0xFFFFFFFF, 0, 0, 0, 40, 20)}},
        {"a second control extension before the image is skipped",
         GifBuilder(8, 8).Control(5, 1).Control(9, 2).Image(0, 0, 8, 8).Trailer().bytes,
         {frame(5, 1, 0, 0, 8, 8)}},
        {"an unknown extension ends the walk; frames before it count",
         GifBuilder(8, 8)
             .Control(5, 1)
             .Image(0, 0, 8, 8)
             .Raw({0x21, 0x99, 1, 0, 0})
             .Control(5, 1)
             .Image(0, 0, 8, 8)
             .Trailer()
             .bytes,
         {frame(5, 1, 0, 0, 8, 8)}},
        {"an unknown block after a control extension ends the walk",
         GifBuilder(8, 8)
             .Control(5, 1)
             .Image(0, 0, 8, 8)
             .Control(5, 1)
             .Raw({0x00})
             .Image(0, 0, 8, 8)
             .Trailer()
             .bytes,
         {frame(5, 1, 0, 0, 8, 8)}},
        {"a trailer after a control extension ends the walk",
         GifBuilder(8, 8).Control(5, 1).Trailer().Image(0, 0, 8, 8).bytes,
         {}},
        {"a sub-block that runs past the end",
         GifBuilder(8, 8)
             .Control(5, 1)
             .Image(0, 0, 8, 8)
             .Control(5, 1)
             .Raw({0x2C, 0, 0, 0, 0, 8, 0, 8, 0, 0, 2, 200, 1, 2})
             .bytes,
         {frame(5, 1, 0, 0, 8, 8)}},
        {"no trailer",
         GifBuilder(8, 8).Control(5, 1).Image(0, 0, 8, 8).bytes,
         {frame(5, 1, 0, 0, 8, 8)}},
        {"no block at all", GifBuilder(8, 8).Trailer().bytes, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<GifGraphicBlock> blocks = Walk(c.data);
        ASSERT_EQ(blocks.size(), c.expected.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(blocks[i].delay, c.expected[i].delay);
            EXPECT_EQ(blocks[i].disposal, c.expected[i].disposal);
            EXPECT_EQ(blocks[i].left, c.expected[i].left);
            EXPECT_EQ(blocks[i].top, c.expected[i].top);
            EXPECT_EQ(blocks[i].width, c.expected[i].width);
            EXPECT_EQ(blocks[i].height, c.expected[i].height);
            EXPECT_LT(blocks[i].begin, blocks[i].end);
            EXPECT_LE(blocks[i].end, c.data.size());
        }
    }
}

// Data cut at every length keeps exactly the frames that ended before the cut, and no
// read leaves the data (the sanitizer build checks the reads: the cut copy is exactly
// as long as the cut).
TEST(GifWalkTest, CutAtEveryLength) {
    const std::vector<uint8_t> whole = GifBuilder(12, 12, 3)
                                           .Application()
                                           .Control(7, 1)
                                           .Image(0, 0, 12, 12, 1)
                                           .Comment("x")
                                           .Control(7, 2)
                                           .Image(2, 2, 5, 5, 2, 2)
                                           .Control(7, 1)
                                           .PlainText(0, 0, 8, 8)
                                           .Trailer()
                                           .bytes;
    const std::vector<GifGraphicBlock> all = Walk(whole);
    ASSERT_EQ(all.size(), 3u);
    GifScreen screen;
    ASSERT_TRUE(controls::ReadGifScreen(whole.data(), whole.size(), screen));
    for (size_t size = screen.firstBlock; size < whole.size(); ++size) {
        const auto cut = std::make_unique<uint8_t[]>(size);
        std::copy(whole.begin(), whole.begin() + size, cut.get());
        size_t complete = 0;
        while (complete < all.size() && all[complete].end <= size) {
            ++complete;
        }
        EXPECT_EQ(controls::CountGifFrames(cut.get(), size, screen), complete) << size;
    }
}

TEST(GifFrameTest, StandAloneGifOfOneBlock) {
    const std::vector<uint8_t> data = GifBuilder(8, 8)
                                          .Application()
                                          .Control(7, 1)
                                          .Image(0, 0, 8, 8)
                                          .Control(3, 2)
                                          .Comment("kept")
                                          .Image(1, 1, 2, 2, 1)
                                          .Trailer()
                                          .bytes;
    const std::vector<GifGraphicBlock> blocks = Walk(data);
    ASSERT_EQ(blocks.size(), 2u);
    GifScreen screen;
    ASSERT_TRUE(controls::ReadGifScreen(data.data(), data.size(), screen));
    const std::vector<uint8_t> frame = controls::BuildFrameGif(data.data(), screen, blocks[1]);

    std::vector<uint8_t> expected(data.begin(), data.begin() + screen.firstBlock);
    expected.insert(expected.end(), data.begin() + blocks[1].begin, data.begin() + blocks[1].end);
    expected.push_back(0x3B);
    EXPECT_EQ(frame, expected);
    // The cut-out frame is a GIF of one frame with the same timing and place.
    const std::vector<GifGraphicBlock> alone = Walk(frame);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].delay, 3u);
    EXPECT_EQ(alone[0].disposal, 2u);
    EXPECT_EQ(alone[0].left, 1);
    EXPECT_EQ(alone[0].width, 2);
    // It starts at its graphic control extension and keeps the comment after it.
    EXPECT_EQ(frame[screen.firstBlock], 0x21);
    EXPECT_EQ(frame[screen.firstBlock + 1], 0xF9);
    EXPECT_EQ(frame[screen.firstBlock + 8], 0x21);
    EXPECT_EQ(frame[screen.firstBlock + 9], 0xFE);
}

// The installer's own busy animation: fifteen frames of 70 ms, the scene kept (disposal
// 1) and the dot strips cleared after their time (disposal 2).
TEST(GifFrameTest, BusyAnimationOfTheInstaller) {
    const std::vector<uint8_t> data =
        ReadFile(std::string(INSTALLER_TEST_SOURCE_DIR) + "/../src/controls/res/busy.gif");
    GifScreen screen;
    ASSERT_TRUE(controls::ReadGifScreen(data.data(), data.size(), screen));
    EXPECT_EQ(screen.width, 146);
    EXPECT_EQ(screen.height, 95);
    const std::vector<GifGraphicBlock> blocks = Walk(data);
    ASSERT_EQ(blocks.size(), 15u);
    for (size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(blocks[i].delay, 7u);
        EXPECT_EQ(blocks[i].disposal, i == 0 ? 1u : 2u);
        EXPECT_LE(blocks[i].left + blocks[i].width, screen.width);
        EXPECT_LE(blocks[i].top + blocks[i].height, screen.height);
    }
    EXPECT_EQ(blocks[0].width, 146);
    EXPECT_EQ(blocks[0].height, 95);
}

TEST(GifFrameTest, StillPictureOfTheInstallerHasOneFrame) {
    const std::vector<uint8_t> data =
        ReadFile(std::string(INSTALLER_TEST_SOURCE_DIR) + "/../src/controls/res/box.gif");
    GifScreen screen;
    ASSERT_TRUE(controls::ReadGifScreen(data.data(), data.size(), screen));
    EXPECT_EQ(screen.width, 400);
    EXPECT_EQ(screen.height, 400);
    EXPECT_EQ(Walk(data).size(), 1u);
}

}  // namespace
