// The spill file: its size limit, and a replay that breaks off hands every event over
// again the next time, while events spilled meanwhile wait for their turn.
#include <gtest/gtest.h>

#include <filesystem>

#include "event_sink.h"
#include "live_service.h"
#include "platform/text_codec.h"
#include "spill_file.h"
#include "support/temp_dir.h"

namespace {

Json::Value NumberedEvent(int n) {
    Json::Value event;
    event["event"] = "ftpok";
    event["guid"] = "G";
    event["filename"] = "file" + std::to_string(n);
    service::StampEvent(event);
    return event;
}

std::vector<std::string> Names(const std::vector<Json::Value>& events) {
    std::vector<std::string> names;
    for (const auto& event : events)
        names.push_back(event["filename"].asString());
    return names;
}

TEST(SpillFile, KeepsToItsLimit) {
    const uint64_t line = service::EventLine(NumberedEvent(1)).size();
    const struct {
        uint64_t limit;
        size_t kept;
    } cases[] = {{0, 0}, {line - 1, 0}, {line, 1}, {3 * line + 1, 3}, {100 * line, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        ScopedTempDir temp;
        service::SpillFile spill(text::WideToUtf8(temp.path()) + "/spill.jsonl", c.limit);
        std::vector<Json::Value> events;
        for (int n = 1; n <= 5; ++n)
            events.push_back(NumberedEvent(n));
        EXPECT_EQ(spill.Append(events), c.kept);
        EXPECT_LE(spill.Bytes(), c.limit);
        EXPECT_EQ(spill.Empty(), c.kept == 0);
    }
}

TEST(SpillFile, ReplayBrokenOffStartsAgainAndKeepsNewEvents) {
    ScopedTempDir temp;
    const std::string path = text::WideToUtf8(temp.path()) + "/spill.jsonl";
    service::SpillFile spill(path, 1 << 20);
    ASSERT_EQ(spill.Append({NumberedEvent(1), NumberedEvent(2), NumberedEvent(3)}), 3u);
    // Not an event, or an event without its id: skipped, never stored.
    WriteFile(path, ReadFile(path) +
                        "garbage\n{\"event\":\"ftpok\",\"time\":\"2026-01-01T00:00:00Z\"}\n");

    std::vector<std::string> written;
    int batches = 0;
    EXPECT_FALSE(spill.Replay(2, [&](const std::vector<Json::Value>& events) {
        // The database goes away after the first batch; an event spilled meanwhile goes
        // into a new spill file.
        if (++batches == 2) {
            EXPECT_EQ(spill.Append({NumberedEvent(4)}), 1u);
            return false;
        }
        for (const auto& name : Names(events))
            written.push_back(name);
        return true;
    }));
    EXPECT_EQ(written, (std::vector<std::string>{"file1", "file2"}));
    EXPECT_FALSE(spill.Empty());

    written.clear();
    EXPECT_TRUE(spill.Replay(2, [&](const std::vector<Json::Value>& events) {
        for (const auto& name : Names(events))
            written.push_back(name);
        return true;
    }));
    // The broken-off file again from its top (the table ignores what it holds).
    EXPECT_EQ(written, (std::vector<std::string>{"file1", "file2", "file3"}));
    EXPECT_FALSE(spill.Empty());  // file4 waits in the new spill file

    written.clear();
    EXPECT_TRUE(spill.Replay(2, [&](const std::vector<Json::Value>& events) {
        for (const auto& name : Names(events))
            written.push_back(name);
        return true;
    }));
    EXPECT_EQ(written, (std::vector<std::string>{"file4"}));
    EXPECT_TRUE(spill.Empty());
    EXPECT_FALSE(std::filesystem::exists(path + ".replay"));
}

}  // namespace
