#include "install/progress_tick.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "install/size_arithmetic.h"

namespace {

PackageRow Row(const std::wstring& name) {
    PackageRow row;
    row[0] = name;
    return row;
}

TEST(ProgressTick, SizeTexts) {
    const std::pair<int64_t, std::wstring> cases[] = {
        {0, L"0 B"},
        {1023, L"1023 B"},
        {1024, L"1.00 KB"},
        {1048575, L"1024.00 KB"},
        {1048576, L"1.00 MB"},
        {1073741824, L"1.00 GB"},
        {int64_t{5} << 32, L"20.00 GB"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(FormatByteSize(bytes), expected) << bytes;
}

TEST(ProgressTick, RowBeforeTheFirstBlockShowsNoTimeAndNoRemainder) {
    std::vector<PackageRow> rows{Row(L"a.zip")};
    ProgressTotals totals;
    ApplyProgressTick({{L"a.zip", 262144, false, 0, 0}}, rows, totals);
    EXPECT_EQ(rows[0][2], L"0.0");
    EXPECT_EQ(rows[0][3], L"0.0");
    EXPECT_EQ(rows[0][4], L"");
    EXPECT_EQ(rows[0][5], L"");
    EXPECT_EQ(totals.totalSize, L"256.00 KB");
    EXPECT_EQ(totals.totalTime, L"0.0s");
    EXPECT_EQ(totals.remaining, L"");  // keeps its previous (empty) text
    EXPECT_EQ(totals.position, 0);
}

TEST(ProgressTick, RunningRowUsesTheAverageSpeedOnceTimeHasPassed) {
    std::vector<PackageRow> rows{Row(L"a.zip")};
    ProgressTotals totals;
    // First block in: the speed over the last tick, and the row's time starts.
    ApplyProgressTick({{L"a.zip", 262144, false, 131072, 0}}, rows, totals);
    EXPECT_EQ(rows[0][2], L"50.0");
    EXPECT_EQ(rows[0][3], L"853.3");  // 131072 B / 0.15 s / 1024
    EXPECT_EQ(rows[0][4], L"0.2");    // 0.15 s in single precision, one decimal
    EXPECT_NE(rows[0][5], L"");
    EXPECT_EQ(totals.position, 5000);

    // Two seconds spent: the average over them replaces the speed of the last tick.
    rows[0][4] = L"2.0";
    ApplyProgressTick({{L"a.zip", 262144, false, 131072, 131072}}, rows, totals);
    EXPECT_EQ(rows[0][3], L"64.0");  // 131072 B / 2 s / 1024
    EXPECT_EQ(rows[0][4], L"2.2");
    EXPECT_EQ(rows[0][5], L"2.0");  // 131072 B left at 65536 B/s
    EXPECT_EQ(totals.totalTime, L"2.2s");
    EXPECT_EQ(totals.remaining, L"2.2s");

    // Complete: 100 %, remaining "0", and the time stops growing.
    ApplyProgressTick({{L"a.zip", 262144, false, 262144, 131072}}, rows, totals);
    EXPECT_EQ(rows[0][2], L"100.0");
    EXPECT_EQ(rows[0][3], L"116.4");
    EXPECT_EQ(rows[0][4], L"2.2");
    EXPECT_EQ(rows[0][5], L"0");
    EXPECT_EQ(totals.remaining, L"0s");
    EXPECT_EQ(totals.position, 10000);
}

TEST(ProgressTick, PresentPackagesAreNotCounted) {
    std::vector<PackageRow> rows{Row(L"old.zip"), Row(L"new.zip")};
    ProgressTotals totals;
    ApplyProgressTick({{L"new.zip", 1024, false, 1024, 0}, {L"old.zip", 4096, true, 0, 0}}, rows,
                      totals);
    EXPECT_EQ(rows[0], Row(L"old.zip"));  // no progress, speed, time or remainder
    EXPECT_EQ(totals.totalSize, L"1.00 KB");
    EXPECT_EQ(totals.position, 10000);
}

TEST(ProgressTick, NoPackagesAtAll) {
    std::vector<PackageRow> rows;
    ProgressTotals totals;
    ApplyProgressTick({}, rows, totals);
    EXPECT_EQ(totals.totalSize, L"0 B");
    EXPECT_EQ(totals.totalTime, L"0.0s");
    EXPECT_EQ(totals.remaining, L"0s");
    EXPECT_EQ(totals.position, 0);
}

TEST(ProgressTick, UnknownSpeedGivesInfinity) {
    // Time has passed (column 4) but nothing new arrived and the average is zero.
    std::vector<PackageRow> rows{Row(L"a.zip"), Row(L"b.zip")};
    rows[1][4] = L"1.0";
    ProgressTotals totals;
    ApplyProgressTick({{L"a.zip", 2048, false, 1024, 1024}, {L"b.zip", 2048, false, 0, 0}}, rows,
                      totals);
    EXPECT_EQ(rows[0][5], L"∞");  // 0 B over the last tick and no time yet
    EXPECT_EQ(rows[1][3], L"0.0");
    EXPECT_EQ(rows[1][4], L"1.0");  // nothing in yet: its time does not grow
    EXPECT_EQ(totals.totalTime, L"1.2s");
}

TEST(ProgressTick, TaskWithoutMirrorShowsZeroAndFinished) {
    std::vector<PackageRow> rows{Row(L"gone.zip")};
    ProgressTotals totals;
    ApplyProgressTick({{L"gone.zip", 0, false, 0, 0}}, rows, totals);
    EXPECT_EQ(rows[0][2], L"0.0");
    EXPECT_EQ(rows[0][5], L"0");
}

TEST(ProgressTick, HugeSizesNeitherOverflowNorWrap) {
    constexpr int64_t kHuge = int64_t{1} << 62;
    const struct {
        const char* label;
        std::vector<TaskSnapshot> tasks;
        int position;
    } cases[] = {
        {"two halves of 2^63", {{L"a", kHuge, false, kHuge, 0}, {L"b", kHuge, false, 0, 0}}, 5000},
        {"one largest size", {{L"a", INT64_MAX, false, kHuge, 0}}, 5000},
        {"three of 2^62, all done",
         {{L"a", kHuge, false, kHuge, 0},
          {L"b", kHuge, false, kHuge, 0},
          {L"c", kHuge, false, kHuge, 0}},
         10000},
        {"a thousandth of a petabyte", {{L"a", int64_t{1} << 50, false, int64_t{1} << 40, 0}}, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<PackageRow> rows{Row(L"a"), Row(L"b"), Row(L"c")};
        ProgressTotals totals;
        ApplyProgressTick(c.tasks, rows, totals);
        EXPECT_EQ(totals.position, c.position);
        EXPECT_FALSE(totals.totalSize.empty());
    }
}

TEST(SizeArithmetic, PlanSizesInKiBSaturate) {
    const std::pair<std::wstring, int64_t> cases[] = {
        {L"1", 1024},
        {L"", 0},
        {L"abc", 0},
        {L"-5", 0},
        {L"9007199254740991", int64_t{9007199254740991} * 1024},  // the largest that fits
        {L"9007199254740992", INT64_MAX},
        {L"9223372036854775807", INT64_MAX},
        {L"99999999999999999999999", INT64_MAX},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(KiBTextToBytes(text), bytes) << text;
    EXPECT_EQ(AddSizes(INT64_MAX, 1), INT64_MAX);
    EXPECT_EQ(AddSizes(int64_t{1} << 62, int64_t{1} << 62), INT64_MAX);
    EXPECT_EQ(AddSizes(3, 4), 7);
}

}  // namespace
