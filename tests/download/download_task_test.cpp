// The segmented download against real mirrors on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "download/download_manager.h"
#include "download/download_task.h"
#include "download/file_digest.h"
#include "download_fixture.h"
#include "file_mirror_server.h"
#include "platform/directory.h"
#ifndef _WIN32
#include "support/ftp_test_server.h"
#endif

namespace {

constexpr int64_t kBlock = CDownloadTask::kBlockSize;

std::string RangeText(int64_t first, int64_t last) {
    return "bytes=" + std::to_string(first) + "-" + std::to_string(last);
}

// Every block range of a file of `size` bytes.
std::vector<std::string> AllRanges(int64_t size) {
    std::vector<std::string> ranges;
    for (int64_t start = 0; start < size; start += kBlock)
        ranges.push_back(RangeText(start, std::min(start + kBlock, size) - 1));
    return ranges;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

bool Covers(const std::vector<std::string>& served, const std::vector<std::string>& wanted) {
    const std::set<std::string> have(served.begin(), served.end());
    return std::all_of(wanted.begin(), wanted.end(),
                       [&](const std::string& r) { return have.count(r) != 0; });
}

class DownloadTaskTest : public DownloadTest {
  protected:
    CDownloadTask MakeTask(const std::wstring& fileName) {
        CDownloadTask task(manager, manager.router);
        task.name = text::WideToSystem(fileName);
        task.targetPath = NarrowPath(fileName);
        return task;
    }
    // Temporary ".part" files left in the test directory.
    std::vector<std::wstring> PartFiles() const {
        std::vector<platform::DirectoryEntry> entries;
        platform::ListDirectory(dir_.path(), L"*.part", entries);
        std::vector<std::wstring> names;
        for (const auto& entry : entries)
            names.push_back(entry.name);
        return names;
    }
    CDownloadManager& manager = CDownloadManager::Instance();
};

// ---- mirrors --------------------------------------------------------------------------

TEST_F(DownloadTaskTest, FirstMirrorFixesTheSizeAndLaterOnesMustMatchIt) {
    FileMirrorServer first;
    FileMirrorServer same;
    FileMirrorServer other;
    first.AddFile("pkg.zip", MakeContent(1000, 1));
    same.AddFile("pkg.zip", MakeContent(1000, 1));
    other.AddFile("pkg.zip", MakeContent(999, 1));
    CDownloadTask task = MakeTask(L"pkg.zip");

    EXPECT_TRUE(manager.AddMirror(task, first.Url("pkg.zip"), false));
    EXPECT_EQ(task.size, 1000);
    EXPECT_FALSE(manager.AddMirror(task, other.Url("pkg.zip"), false));
    EXPECT_FALSE(manager.AddMirror(task, first.Url("gone.zip"), false));
    EXPECT_TRUE(manager.AddMirror(task, same.Url("pkg.zip"), false));
    EXPECT_EQ(task.size, 1000);
    EXPECT_EQ(task.mirrors, (std::vector<std::string>{first.Url("pkg.zip"), same.Url("pkg.zip")}));

    // The refused mirror gets no block.
    ASSERT_TRUE(task.Run());
    EXPECT_TRUE(other.GetRanges().empty());
}

TEST_F(DownloadTaskTest, MirrorReportingSizeZeroIsRefusedEvenAsTheFirst) {
    FileMirrorServer empty;
    FileMirrorServer chunked(MirrorFault::NoLength);
    empty.AddFile("pkg.zip", "");
    chunked.AddFile("pkg.zip", "abc");
    CDownloadTask task = MakeTask(L"pkg.zip");

    EXPECT_FALSE(manager.AddMirror(task, empty.Url("pkg.zip"), false));
    EXPECT_FALSE(manager.AddMirror(task, chunked.Url("pkg.zip"), false));
    EXPECT_EQ(task.size, 0);
    EXPECT_TRUE(task.mirrors.empty());
    // Without a mirror nothing is run, written or logged by the task.
    const std::string logBefore = ReadLog();
    EXPECT_FALSE(task.Run());
    EXPECT_FALSE(Exists(task.targetPath));
    EXPECT_EQ(ReadLog(), logBefore);
}

TEST_F(DownloadTaskTest, ASizeBeyondTheFreeSpaceOfTheDownloadDriveIsRefused) {
    // Sizes no disk of a test machine has free; the mirror only claims them.
    const int64_t sizes[] = {int64_t{1} << 50, int64_t{1} << 62, INT64_MAX};
    for (const int64_t size : sizes) {
        SCOPED_TRACE(size);
        FileMirrorServer boastful;
        boastful.AddDiskFile("pkg.zip", NarrowPath(L"absent"), size);
        CDownloadTask task = MakeTask(L"pkg.zip");

        EXPECT_FALSE(manager.AddMirror(task, boastful.Url("pkg.zip"), false));
        EXPECT_EQ(task.size, 0);
        EXPECT_TRUE(task.mirrors.empty());
        EXPECT_FALSE(task.Run());
        EXPECT_TRUE(PartFiles().empty());
        EXPECT_NE(ReadLog().find(U8(u8"Download\t文件") + boastful.Url("pkg.zip") + U8(u8"，大小") +
                                 std::to_string(size) + U8(u8"超过下载目录的剩余空间")),
                  std::string::npos)
            << ReadLog();
    }
}

// ---- blocks ---------------------------------------------------------------------------

struct GeometryCase {
    int64_t size;
    std::vector<std::string> ranges;
};

class BlockGeometryTest : public DownloadTaskTest,
                          public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(BlockGeometryTest, BlocksTileTheFileWithZeroBasedRanges) {
    const GeometryCase& c = GetParam();
    const std::string content = MakeContent(static_cast<size_t>(c.size), 7);
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", content);
    CDownloadTask task = MakeTask(L"pkg.bin");
    ASSERT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(Sorted(mirror.GetRanges()), Sorted(c.ranges));
    EXPECT_EQ(ReadFile(task.targetPath), content);
    EXPECT_TRUE(PartFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlockGeometryTest,
    ::testing::Values(GeometryCase{1, {"bytes=0-0"}}, GeometryCase{131072, {"bytes=0-131071"}},
                      GeometryCase{131073, {"bytes=0-131071", "bytes=131072-131072"}}));

TEST_F(DownloadTaskTest, BlocksAreDealtToTheMirrorsInTurn) {
    const int64_t size = 3 * kBlock + 10;
    const std::string content = MakeContent(size, 8);
    FileMirrorServer mirrors[3];
    CDownloadTask task = MakeTask(L"pkg.bin");
    for (FileMirrorServer& m : mirrors) {
        m.AddFile("pkg.bin", content);
        ASSERT_TRUE(manager.AddMirror(task, m.Url("pkg.bin"), false));
    }

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(Sorted(mirrors[0].GetRanges()),
              Sorted({RangeText(0, kBlock - 1), RangeText(3 * kBlock, size - 1)}));
    EXPECT_EQ(mirrors[1].GetRanges(), std::vector<std::string>{RangeText(kBlock, 2 * kBlock - 1)});
    EXPECT_EQ(mirrors[2].GetRanges(),
              std::vector<std::string>{RangeText(2 * kBlock, 3 * kBlock - 1)});
    EXPECT_EQ(ReadFile(task.targetPath), content);

    // One start and one completion line per block, with nine-digit byte numbers.
    const std::string log = ReadLog();
    EXPECT_NE(log.find(U8(u8"Download\t启动线程下载文件") + mirrors[1].Url("pkg.bin") +
                       U8(u8"，块(000131073-000262144)")),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(U8(u8"Download\t文件") + mirrors[0].Url("pkg.bin") +
                       U8(u8"，块(000393217-000393226)下载完成，CURLcode(0)，HTTPcode(206)")),
              std::string::npos)
        << log;
}

TEST_F(DownloadTaskTest, ProgressAdvancesInWholeBlocksAndKeepsThePreviousSnapshot) {
    const int64_t size = 2 * kBlock + 5;
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", MakeContent(size, 9));
    CDownloadTask task = MakeTask(L"pkg.bin");
    ASSERT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));

    EXPECT_EQ(task.GetDoneBytes(), 0);
    std::atomic<bool> done{false};
    bool result = false;
    std::thread runner([&] {
        result = task.Run();
        done = true;
    });
    std::vector<int64_t> seen{0};
    while (!done) {
        const int64_t now = task.GetDoneBytes();
        EXPECT_EQ(task.GetPreviousDoneBytes(), seen.back());
        seen.push_back(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    runner.join();
    ASSERT_TRUE(result);
    EXPECT_EQ(task.GetDoneBytes(), size);
    EXPECT_EQ(task.GetPreviousDoneBytes(), seen.back());
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], seen[i - 1]);
        // Sums of whole blocks: two of 131072 bytes and the last one of 5.
        EXPECT_TRUE(seen[i] % kBlock == 0 || seen[i] % kBlock == 5) << seen[i];
    }
    // Finished tasks keep answering.
    EXPECT_EQ(task.GetDoneBytes(), size);
    EXPECT_EQ(task.GetPreviousDoneBytes(), size);
}

TEST_F(DownloadTaskTest, LogLinesNeverShowTheMirrorPassword) {
    FileMirrorServer mirror;
    const std::string content = MakeContent(kBlock + 1, 10);
    mirror.AddFile("pkg.bin", content);
    CDownloadTask task = MakeTask(L"pkg.bin");
    const std::string url = mirror.Url("pkg.bin", "?username=inst&password=Pa55word");
    ASSERT_TRUE(manager.AddMirror(task, url, false));
    ASSERT_TRUE(task.Run());

    const std::string log = ReadLog();
    EXPECT_EQ(log.find("Pa55word"), std::string::npos) << log;
    EXPECT_NE(log.find(U8(u8"?username=inst&password=***，块(000000001-000131072)下载完成")),
              std::string::npos)
        << log;
    EXPECT_EQ(ReadFile(task.targetPath), content);
}

// ---- faults ---------------------------------------------------------------------------

struct FaultCase {
    const char* name;
    MirrorFault fault;
    const char* failureText;  // in the failure line of a block dealt to the faulty mirror
    int blockTimeoutMs;       // 0: the engine's own
};

class FaultyMirrorTest : public DownloadTaskTest,
                         public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultyMirrorTest, BlocksOfAFaultyMirrorMoveToTheMirrorThatDelivers) {
    const FaultCase& c = GetParam();
    const int64_t size = 3 * kBlock + 100;
    const std::string content = MakeContent(size, 11);
    FileMirrorServer good;
    FileMirrorServer faulty(c.fault);
    good.AddFile("pkg.bin", content);
    faulty.AddFile("pkg.bin", content);
    CDownloadTask task = MakeTask(L"pkg.bin");
    // Only a stalling mirror needs a shorter time-out (by default it costs 12 s per block).
    // It stays well above what a capped 128 KiB block from the good mirror takes (up to
    // 1.28 s at 102400 B/s), or that mirror's blocks would time out on a loaded machine too.
    if (c.blockTimeoutMs > 0)
        task.limits.blockTimeoutMs = c.blockTimeoutMs;
    ASSERT_TRUE(manager.AddMirror(task, good.Url("pkg.bin"), false));
    ASSERT_TRUE(manager.AddMirror(task, faulty.Url("pkg.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    // Blocks 1 and 3 were dealt to the faulty mirror; the good one delivered them too.
    EXPECT_TRUE(Covers(faulty.GetRanges(), {RangeText(kBlock, 2 * kBlock - 1)}));
    EXPECT_TRUE(Covers(good.GetRanges(), AllRanges(size)));
    const std::string log = ReadLog();
    EXPECT_NE(log.find(U8(u8"Download\t文件") + faulty.Url("pkg.bin") +
                       U8(u8"，块(000131073-000262144)下载失败") + c.failureText),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(faulty.Url("pkg.bin") + U8(u8"，块(000131073-000262144)下载完成")),
              std::string::npos)
        << log;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultyMirrorTest,
    ::testing::Values(
        // The connection goes away before the body: a partial transfer.
        FaultCase{"Drops", MirrorFault::DropBodies, "，CURLcode(18)", 0},
        // The whole file with 200: refused as soon as its headers are in.
        FaultCase{"IgnoresRange", MirrorFault::IgnoreRange, "，HTTPcode(200)，Content-Range()", 0},
        // A redirect page is not the block.
        FaultCase{"Redirects", MirrorFault::Redirect, "，HTTPcode(302)，Content-Range()", 0},
        // A partial answer naming another range would corrupt the file.
        FaultCase{"WrongRange", MirrorFault::WrongRange,
                  "，HTTPcode(206)，Content-Range(bytes 0-131071/393316)", 0},
        // Nothing arrives: the block's time-out.
        FaultCase{"Stalls", MirrorFault::Stall, "，CURLcode(28)", 4000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTaskTest, AllMirrorsDeadEndsTheRunWithNothingUnderTheTargetName) {
    const int64_t size = 2 * kBlock + 1;
    CDownloadTask task = MakeTask(L"pkg.bin");
    {
        FileMirrorServer a;
        FileMirrorServer b;
        a.AddFile("pkg.bin", MakeContent(size, 12));
        b.AddFile("pkg.bin", MakeContent(size, 12));
        ASSERT_TRUE(manager.AddMirror(task, a.Url("pkg.bin"), false));
        ASSERT_TRUE(manager.AddMirror(task, b.Url("pkg.bin"), false));
    }  // both gone after the probe
    // A leftover under the target name would be taken as downloaded by a later run.
    ASSERT_TRUE(platform::WriteWholeFile(text::SystemToWide(task.targetPath), "stale"));

    // Default limits: bounded by the failures per block.
    EXPECT_FALSE(task.Run());
    EXPECT_FALSE(Exists(task.targetPath));
    // The partial file stays for a later run, with the record that says what it holds.
    EXPECT_EQ(PartFiles(), std::vector<std::wstring>{L"pkg.bin.part"});
    EXPECT_TRUE(Exists(task.targetPath + ".resume"));
    const std::string log = ReadLog();
    EXPECT_NE(log.find(U8(u8"Download\t文件") + text::SystemToUtf8(task.targetPath) +
                       U8(u8"下载失败，块(")),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(U8(u8"次，停止下载")), std::string::npos) << log;
    EXPECT_NE(log.find("CURLcode(7)"), std::string::npos) << log;
    EXPECT_EQ(task.GetDoneBytes(), 0);
}

TEST_F(DownloadTaskTest, NoBlockCompletingForTooLongEndsTheRun) {
    const int64_t size = 3 * kBlock;
    FileMirrorServer stalling(MirrorFault::Stall);
    stalling.AddFile("pkg.bin", MakeContent(size, 13));
    CDownloadTask task = MakeTask(L"pkg.bin");
    task.limits.blockTimeoutMs = 600;
    task.limits.maxIdleSeconds = 1;
    ASSERT_TRUE(manager.AddMirror(task, stalling.Url("pkg.bin"), false));

    EXPECT_FALSE(task.Run());
    EXPECT_FALSE(Exists(task.targetPath));
    EXPECT_EQ(PartFiles(), std::vector<std::wstring>{L"pkg.bin.part"});
    EXPECT_NE(ReadLog().find(U8(u8"Download\t文件") + text::SystemToUtf8(task.targetPath) +
                             U8(u8"下载失败，1秒内没有块下载完成，停止下载")),
              std::string::npos)
        << ReadLog();
}

TEST_F(DownloadTaskTest, TargetInAMissingDirectoryFailsAndNamesThePath) {
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", "abc");
    CDownloadTask task = MakeTask(L"pkg.bin");
    task.targetPath = NarrowPath(L"missing-dir") + "/pkg.bin";
    ASSERT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));

    EXPECT_FALSE(task.Run());
    EXPECT_FALSE(Exists(task.targetPath));
    EXPECT_NE(ReadLog().find(U8(u8"Download\t写文件") + text::SystemToUtf8(task.targetPath)),
              std::string::npos)
        << ReadLog();
    EXPECT_TRUE(mirror.GetRanges().empty());
}

TEST_F(DownloadTaskTest, AFileNamedLikeTheTemporaryOneIsLeftAlone) {
    const std::string content = MakeContent(2 * kBlock + 5, 21);
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", content);
    CDownloadTask task = MakeTask(L"pkg.bin");
    const std::wstring userFile = text::SystemToWide(task.targetPath + ".part");
    ASSERT_TRUE(platform::WriteWholeFile(userFile, "the user's own file"));
    ASSERT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    std::string kept;
    EXPECT_TRUE(platform::ReadWholeFile(userFile, kept));
    EXPECT_EQ(kept, "the user's own file");
    EXPECT_EQ(PartFiles(), std::vector<std::wstring>{L"pkg.bin.part"});
}

TEST_F(DownloadTaskTest, TargetThatCannotBeReplacedFailsAfterTheBlocksAreIn) {
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", MakeContent(kBlock + 1, 16));
    CDownloadTask task = MakeTask(L"pkg.bin");
    // A directory stands where the file should go.
    ASSERT_TRUE(platform::CreateDirectoryLevel(text::SystemToWide(task.targetPath)));
    ASSERT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));

    EXPECT_FALSE(task.Run());
    EXPECT_EQ(Sorted(mirror.GetRanges()), Sorted(AllRanges(kBlock + 1)));
    // Complete, and kept: a later run only has to put it in place.
    EXPECT_EQ(PartFiles(), std::vector<std::wstring>{L"pkg.bin.part"});
    EXPECT_TRUE(platform::IsDirectory(text::SystemToWide(task.targetPath)));
    EXPECT_NE(ReadLog().find(U8(u8"Download\t写文件") + text::SystemToUtf8(task.targetPath) +
                             U8(u8"失败")),
              std::string::npos)
        << ReadLog();
}

#ifndef _WIN32
TEST_F(DownloadTaskTest, FtpAndHttpMirrorsShareTheBlocks) {
    const int64_t size = 4 * kBlock + 3;
    const std::string content = MakeContent(size, 14);
    ScopedTempDir served;
    ASSERT_TRUE(platform::WriteWholeFile(served / L"pkg.bin", content));
    FtpTestServer ftp(text::WideToSystem(served.path()), "mirror", "pw:2");
    ASSERT_TRUE(ftp.Start()) << ftp.error();
    FileMirrorServer http;
    http.AddFile("pkg.bin", content);
    CDownloadTask task = MakeTask(L"pkg.bin");
    ASSERT_TRUE(manager.AddMirror(task, ftp.Url("pkg.bin"), true));
    ASSERT_TRUE(manager.AddMirror(task, http.Url("pkg.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    // Blocks 1 and 3 over HTTP, 0, 2 and 4 over FTP.
    EXPECT_EQ(Sorted(http.GetRanges()),
              Sorted({RangeText(kBlock, 2 * kBlock - 1), RangeText(3 * kBlock, 4 * kBlock - 1)}));
    const std::string ftpUrl = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/pkg.bin";
    const std::string log = ReadLog();
    EXPECT_NE(log.find(U8(u8"Download\t文件") + ftpUrl + U8(u8"，块(000524289-000524291)下载完成")),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("pw:2"), std::string::npos);
}

TEST_F(DownloadTaskTest, FtpOnlyDownloadIsByteIdentical) {
    const int64_t size = 2 * kBlock + 77;
    const std::string content = MakeContent(size, 15);
    ScopedTempDir served;
    ASSERT_TRUE(platform::WriteWholeFile(served / L"setup.exe", content));
    FtpTestServer ftp(text::WideToSystem(served.path()), "u", "p");
    ASSERT_TRUE(ftp.Start()) << ftp.error();
    CDownloadTask task = MakeTask(L"setup.exe");
    ASSERT_TRUE(manager.AddMirror(task, ftp.Url("setup.exe"), true));
    EXPECT_EQ(task.size, size);

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
}
#endif

// ---- digest ------------------------------------------------------------------------

TEST_F(DownloadTaskTest, ADownloadMustHaveTheStatedDigestToTakeTheTargetsPlace) {
    const std::string content = MakeContent(3 * kBlock + 5, 31);
    ScopedTempDir scratch;
    const std::string right = DigestOf(content, scratch);
    const std::string wrong = DigestOf(content + "x", scratch);
    for (const bool matches : {true, false}) {
        SCOPED_TRACE(matches ? "right digest" : "wrong digest");
        FileMirrorServer http;
        http.AddFile("pkg.bin", content);
        CDownloadTask task = MakeTask(matches ? L"right.bin" : L"wrong.bin");
        task.sha256 = matches ? right : wrong;
        ASSERT_TRUE(manager.AddMirror(task, http.Url("pkg.bin"), false));
        EXPECT_EQ(task.Run(), matches);
        EXPECT_TRUE(PartFiles().empty());
        if (matches) {
            EXPECT_EQ(ReadFile(task.targetPath), content);
        } else {
            EXPECT_FALSE(Exists(task.targetPath));
            EXPECT_NE(
                ReadLog().find(U8(u8"校验失败，SHA-256应为") + wrong + U8(u8"，实为") + right),
                std::string::npos)
                << ReadLog();
        }
    }
}

TEST(Sha256Text, OnlySixtyFourHexDigitsAreADigest) {
    std::string hex;
    EXPECT_TRUE(NormalizeSha256(std::wstring(32, L'A') + std::wstring(32, L'f'), hex));
    EXPECT_EQ(hex, std::string(32, 'a') + std::string(32, 'f'));
    for (const std::wstring& bad : {std::wstring(), std::wstring(63, L'a'), std::wstring(65, L'a'),
                                    std::wstring(63, L'a') + L"g", std::wstring(63, L'a') + L" "}) {
        hex = "unchanged";
        EXPECT_FALSE(NormalizeSha256(bad, hex)) << text::WideToUtf8(bad);
        EXPECT_EQ(hex, "unchanged");
    }
}

// ---- connection reuse -------------------------------------------------------------------

// Thirty blocks: each of the ten threads fetches several.
constexpr int64_t kManyBlocks = 30;

TEST_F(DownloadTaskTest, BlocksOverHttpReuseTheirConnections) {
    const std::string content = MakeContent(kManyBlocks * kBlock, 21);
    FileMirrorServer http;
    http.AddFile("big.bin", content);
    CDownloadTask task = MakeTask(L"big.bin");
    ASSERT_TRUE(manager.AddMirror(task, http.Url("big.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    EXPECT_EQ(http.GetRanges().size(), static_cast<size_t>(kManyBlocks));
    EXPECT_LE(http.GetConnectionCount(), CDownloadTask::kThreadCount);
}

TEST_F(DownloadTaskTest, AMirrorThatClosesEveryConnectionStillDeliversEveryBlock) {
    const std::string content = MakeContent(kManyBlocks * kBlock, 23);
    FileMirrorServer http(MirrorFault::OneRequestPerConnection);
    http.AddFile("big.bin", content);
    CDownloadTask task = MakeTask(L"big.bin");
    ASSERT_TRUE(manager.AddMirror(task, http.Url("big.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    // A cached connection the mirror closed is not used again: one connection per block.
    EXPECT_EQ(http.GetConnectionCount(), static_cast<int>(http.GetRanges().size()));
}

TEST_F(DownloadTaskTest, BlocksForAMirrorThatDiedGoToTheOneThatDelivers) {
    const std::string content = MakeContent(kManyBlocks * kBlock, 24);
    FileMirrorServer dying;
    FileMirrorServer steady;
    dying.AddFile("big.bin", content);
    steady.AddFile("big.bin", content);
    dying.DieAfterGets(3);
    CDownloadTask task = MakeTask(L"big.bin");
    ASSERT_TRUE(manager.AddMirror(task, dying.Url("big.bin"), false));
    ASSERT_TRUE(manager.AddMirror(task, steady.Url("big.bin"), false));

    ASSERT_TRUE(task.Run()) << ReadLog();
    EXPECT_EQ(ReadFile(task.targetPath), content);
    // Half the blocks were dealt to the mirror that stopped after three: they failed there,
    // each with its line, and came from the other one.
    const std::string log = ReadLog();
    EXPECT_NE(log.find(dying.Url("big.bin") + U8(u8"，块(")), std::string::npos);
    EXPECT_NE(log.find(U8(u8")下载失败，CURLcode(")), std::string::npos) << log;
    EXPECT_GE(steady.GetRanges().size(), static_cast<size_t>(kManyBlocks / 2));
}

// ---- a slow mirror ----------------------------------------------------------------------

TEST_F(DownloadTaskTest, BlocksWaitingForAFarSlowerMirrorGoToTheFastOne) {
    constexpr int64_t kBlocks = 48;
    const std::string content = MakeContent(kBlocks * kBlock, 25);
    for (const bool oneSlow : {true, false}) {
        SCOPED_TRACE(oneSlow ? "one mirror slow" : "both fast");
        FileMirrorServer fast;
        FileMirrorServer other;
        fast.AddFile("big.bin", content);
        other.AddFile("big.bin", content);
        // Far beyond what any load makes of a block over loopback.
        if (oneSlow)
            other.SetGetDelayMs(10000);
        CDownloadTask task = MakeTask(oneSlow ? L"slow.bin" : L"even.bin");
        task.limits.blockTimeoutMs = 60000;
        ASSERT_TRUE(manager.AddMirror(task, fast.Url("big.bin"), false));
        ASSERT_TRUE(manager.AddMirror(task, other.Url("big.bin"), false));

        ASSERT_TRUE(task.Run()) << ReadLog();
        EXPECT_EQ(ReadFile(task.targetPath), content);
        const std::string line = U8(u8"Download\t服务器") + other.Url("big.bin") +
                                 U8(u8"速度过慢，其余块改由其他服务器下载");
        const std::string log = ReadLog();
        const size_t found = log.find(line);
        if (oneSlow) {
            ASSERT_NE(found, std::string::npos) << log;
            EXPECT_EQ(log.find(line, found + 1), std::string::npos) << "logged twice";
            // Only the blocks it held when it was found slow came from it.
            EXPECT_GT(fast.GetRanges().size(), 2 * other.GetRanges().size());
        } else {
            EXPECT_EQ(log.find(U8(u8"速度过慢")), std::string::npos) << log;
            EXPECT_EQ(fast.GetRanges().size(), static_cast<size_t>(kBlocks / 2));
            EXPECT_EQ(other.GetRanges().size(), static_cast<size_t>(kBlocks / 2));
        }
        platform::RemoveFile(dir_ / L"Install.log");
    }
}

}  // namespace
