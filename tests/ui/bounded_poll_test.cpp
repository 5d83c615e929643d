#include "ui/bounded_poll.h"

#include <gtest/gtest.h>

namespace {

TEST(PollUntil, AsksUntilReadyOrTheLimit) {
    struct PollCase {
        const char* name;
        int readyAtPoll;  // -1: never
        unsigned limit;
        bool expected;
        int expectedPolls;
    };
    const PollCase cases[] = {
        {"ready at the first poll", 1, 10, true, 1},
        {"ready at the third poll", 3, 10, true, 3},
        {"ready at the last allowed poll", 4, 4, true, 4},
        {"never ready: given up after the limit", -1, 3, false, 3},
        {"no polls allowed", 1, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int polls = 0;
        const bool ready = PollUntil([&] { return ++polls == c.readyAtPoll; }, 1, c.limit);
        EXPECT_EQ(ready, c.expected);
        EXPECT_EQ(polls, c.expectedPolls);
    }
}

}  // namespace
