// Finding the mirror that delivers far more slowly than the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "download/mirror_pace.h"

namespace {

constexpr int64_t kBlock = 131072;

// Feeds blocks alternately from each mirror, mirror m taking times[m] ms per block, and
// returns every mirror reported slow, in order.
std::vector<size_t> Feed(MirrorPace& pace, const std::vector<int64_t>& times, int blocks) {
    std::vector<size_t> reported;
    for (int i = 0; i < blocks; ++i) {
        const size_t mirror = static_cast<size_t>(i) % times.size();
        for (const size_t slow : pace.Record(mirror, kBlock, times[mirror]))
            reported.push_back(slow);
    }
    return reported;
}

TEST(MirrorPace, OnlyAMirrorFarBelowTheMedianIsSlow) {
    struct Case {
        const char* label;
        std::vector<int64_t> times;  // ms per block, per mirror
        std::vector<size_t> slow;
    };
    const Case cases[] = {
        {"equally fast", {400, 400}, {}},
        {"somewhat slower", {400, 1000}, {}},
        {"a tenth of the speed", {400, 4000}, {1}},
        {"three mirrors, one slow", {400, 450, 5000}, {2}},
    };
    for (const Case& c : cases) {
        MirrorPace pace;
        pace.Reset(c.times.size());
        // Reported once, however many blocks follow.
        EXPECT_EQ(Feed(pace, c.times, 100), c.slow) << c.label;
        for (size_t m = 0; m < c.times.size(); ++m) {
            const bool slow = std::find(c.slow.begin(), c.slow.end(), m) != c.slow.end();
            EXPECT_EQ(pace.IsSlow(m), slow) << c.label << " mirror " << m;
        }
    }
}

TEST(MirrorPace, TheFirstBlocksDoNotDecide) {
    MirrorPace pace;
    pace.Reset(2);
    EXPECT_TRUE(Feed(pace, {400, 4000}, static_cast<int>(MirrorPace::kWindow / 2) - 1).empty());
}

TEST(MirrorPace, BlocksOfASlowMirrorAreDealtToTheOthersInTurn) {
    MirrorPace pace;
    pace.Reset(3);
    Feed(pace, {400, 5000, 420}, 60);
    ASSERT_TRUE(pace.IsSlow(1));
    EXPECT_EQ(pace.Redeal(0), 0u);
    EXPECT_EQ(pace.Redeal(2), 2u);
    const size_t first = pace.Redeal(1);
    const size_t second = pace.Redeal(1);
    EXPECT_NE(first, 1u);
    EXPECT_NE(second, 1u);
    EXPECT_NE(first, second);
    // A new run starts with every mirror trusted again.
    pace.Reset(3);
    EXPECT_EQ(pace.Redeal(1), 1u);
}

}  // namespace
