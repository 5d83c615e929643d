// Downloads that continue where an earlier run stopped, against real mirrors on 127.0.0.1:
// only the missing blocks are fetched, and anything that no longer describes the same
// file starts the download afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "download/download_manager.h"
#include "download/download_task.h"
#include "download/partial_download.h"
#include "download/resume_record.h"
#include "download_fixture.h"
#include "file_mirror_server.h"
#include "platform/directory.h"
#ifndef _WIN32
#include "support/ftp_test_server.h"
#endif

namespace {

constexpr int64_t kBlock = CDownloadTask::kBlockSize;
constexpr int64_t kBlocks = 16;

std::string RangeOfBlock(int64_t index, int64_t size) {
    return "bytes=" + std::to_string(index * kBlock) + "-" +
           std::to_string(std::min((index + 1) * kBlock, size) - 1);
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class ResumeDownloadTest : public DownloadTest {
  protected:
    CDownloadTask MakeTask(FileMirrorServer& mirror, const std::string& digest) {
        CDownloadTask task(manager, manager.router);
        task.name = "pkg.bin";
        task.targetPath = NarrowPath(L"pkg.bin");
        task.sha256 = digest;
        EXPECT_TRUE(manager.AddMirror(task, mirror.Url("pkg.bin"), false));
        return task;
    }
    std::wstring Target() const { return dir_ / L"pkg.bin"; }

    // A run that the mirror stops serving after the first wave of blocks: it ends early and
    // leaves its partial file and record. Returns the record it left.
    ResumeRecord InterruptedRun(FileMirrorServer& mirror, const std::string& digest) {
        CDownloadTask task = MakeTask(mirror, digest);
        task.limits.maxBlockFailures = 1;
        mirror.RefuseGetsAfter(CDownloadTask::kThreadCount);
        EXPECT_FALSE(task.Run());
        mirror.RefuseGetsAfter(-1);
        EXPECT_FALSE(platform::PathExists(Target()));
        platform::File part;
        EXPECT_TRUE(part.Open(PartialDownload::PartPath(Target()), platform::File::Mode::Read));
        EXPECT_EQ(part.Size(), task.size);  // never larger than the package
        std::string text;
        ResumeRecord record;
        EXPECT_TRUE(platform::ReadWholeFile(PartialDownload::RecordPath(Target()), text));
        EXPECT_TRUE(ParseResumeRecord(text, kBlock, record)) << text;
        return record;
    }

    // The second run: the ranges it asked for, and the bytes it was told were taken over.
    std::vector<std::string> SecondRun(FileMirrorServer& mirror, const std::string& digest,
                                       int64_t& resumed) {
        const size_t before = mirror.GetRanges().size();
        CDownloadTask task = MakeTask(mirror, digest);
        resumed = 0;
        task.onResumed = [&resumed](int64_t bytes) { resumed = bytes; };
        EXPECT_TRUE(task.Run()) << ReadLog();
        EXPECT_EQ(task.GetDoneBytes(), task.size);
        // A finished package is one file under its name.
        EXPECT_FALSE(platform::PathExists(PartialDownload::PartPath(Target())));
        EXPECT_FALSE(platform::PathExists(PartialDownload::RecordPath(Target())));
        const std::vector<std::string> all = mirror.GetRanges();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before),
                                        all.end());
    }

    std::vector<std::string> AllRanges(int64_t size) const {
        std::vector<std::string> ranges;
        for (int64_t i = 0; i * kBlock < size; ++i)
            ranges.push_back(RangeOfBlock(i, size));
        return ranges;
    }

    CDownloadManager& manager = CDownloadManager::Instance();
};

TEST_F(ResumeDownloadTest, ASecondRunFetchesOnlyTheMissingBlocks) {
    const std::string content = MakeContent(kBlocks * kBlock - 100, 41);
    ScopedTempDir scratch;
    for (const bool withDigest : {true, false}) {
        SCOPED_TRACE(withDigest ? "digest" : "ETag, no digest");
        FileMirrorServer mirror;
        mirror.AddFile("pkg.bin", content);
        mirror.SetEtag("pkg.bin", "\"v1\"");
        const std::string digest = withDigest ? DigestOf(content, scratch) : std::string();

        const ResumeRecord saved = InterruptedRun(mirror, digest);
        std::vector<std::string> missing;
        for (int64_t i = 0; i < kBlocks; ++i)
            if (!saved.done[static_cast<size_t>(i)])
                missing.push_back(RangeOfBlock(i, saved.size));
        ASSERT_FALSE(missing.empty());
        ASSERT_LT(missing.size(), static_cast<size_t>(kBlocks)) << ReadLog();

        int64_t resumed = 0;
        EXPECT_EQ(Sorted(SecondRun(mirror, digest, resumed)), Sorted(missing));
        EXPECT_EQ(resumed, saved.DoneBytes(kBlock));
        EXPECT_EQ(ReadFile(text::WideToSystem(Target())), content);
        EXPECT_EQ(ReadLog().find(U8(u8"未完成下载不能继续")), std::string::npos) << ReadLog();
        platform::RemoveFile(Target());
    }
}

TEST_F(ResumeDownloadTest, AFileChangedOnTheMirrorIsDownloadedAfresh) {
    struct Case {
        const char* label;
        bool withDigest;
        const char* firstEtag;  // "" sends none
        int64_t secondSize;     // of the changed file
        const char* secondEtag;
        const char8_t* reason;  // in the discard line
    };
    const Case cases[] = {
        {"another size", true, "\"v1\"", kBlocks * kBlock + 9, "\"v1\"", u8"文件大小已改变"},
        {"same size, another digest", true, "\"v1\"", kBlocks * kBlock - 100, "\"v1\"",
         u8"校验值已改变"},
        {"no digest, another ETag", false, "\"v1\"", kBlocks * kBlock - 100, "\"v2\"",
         u8"服务器上的文件已改变"},
        // Nothing could tell a changed file of the same size: never continued.
        {"neither digest nor validator", false, "", kBlocks * kBlock - 100, "",
         u8"没有校验值，也没有服务器的文件标识"},
    };
    ScopedTempDir scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string first = MakeContent(kBlocks * kBlock - 100, 42);
        const std::string second = MakeContent(static_cast<size_t>(c.secondSize), 43);
        FileMirrorServer mirror;
        mirror.AddFile("pkg.bin", first);
        if (*c.firstEtag)
            mirror.SetEtag("pkg.bin", c.firstEtag);
        InterruptedRun(mirror, c.withDigest ? DigestOf(first, scratch) : std::string());

        mirror.AddFile("pkg.bin", second);
        if (*c.secondEtag)
            mirror.SetEtag("pkg.bin", c.secondEtag);
        int64_t resumed = -1;
        const std::vector<std::string> fetched =
            SecondRun(mirror, c.withDigest ? DigestOf(second, scratch) : std::string(), resumed);
        EXPECT_EQ(Sorted(fetched), Sorted(AllRanges(c.secondSize)));
        EXPECT_EQ(resumed, 0);
        EXPECT_EQ(ReadFile(text::WideToSystem(Target())), second);
        const std::string line =
            U8(u8"Download\t文件") + text::SystemToUtf8(NarrowPath(L"pkg.bin")) +
            U8(u8"的未完成下载不能继续（") + U8(c.reason) + U8(u8"），重新下载");
        EXPECT_NE(ReadLog().find(line), std::string::npos) << ReadLog();
        platform::RemoveFile(Target());
        platform::RemoveFile(dir_ / L"Install.log");
    }
}

TEST_F(ResumeDownloadTest, ADamagedPartialDownloadIsDiscardedWithItsLine) {
    struct Case {
        const char* label;
        std::function<void(const std::wstring& part, const std::wstring& record)> damage;
        const char8_t* reason;
    };
    const Case cases[] = {
        {"record cut short",
         [](const std::wstring&, const std::wstring& record) {
             std::string text;
             platform::ReadWholeFile(record, text);
             platform::WriteWholeFile(record, text.substr(0, text.size() / 2));
         },
         u8"下载记录不完整或已损坏"},
        {"record garbled",
         [](const std::wstring&, const std::wstring& record) {
             std::string text;
             platform::ReadWholeFile(record, text);
             text[text.find("blocks ") + 10] ^= 0x04;
             platform::WriteWholeFile(record, text);
         },
         u8"下载记录不完整或已损坏"},
        {"partial file shorter than the record says",
         [](const std::wstring& part, const std::wstring&) {
             platform::File file;
             file.Open(part, platform::File::Mode::ReadWrite);
             file.Truncate(file.Size() - 1);
         },
         u8"未完成的文件与下载记录不符"},
        {"record naming another package",
         [](const std::wstring&, const std::wstring& record) {
             std::string text;
             ResumeRecord parsed;
             platform::ReadWholeFile(record, text);
             ParseResumeRecord(text, kBlock, parsed);
             parsed.name = "other.bin";
             platform::WriteWholeFile(record, FormatResumeRecord(parsed));
         },
         u8"记录属于其他文件"},
    };
    const std::string content = MakeContent(kBlocks * kBlock, 44);
    ScopedTempDir scratch;
    const std::string digest = DigestOf(content, scratch);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FileMirrorServer mirror;
        mirror.AddFile("pkg.bin", content);
        InterruptedRun(mirror, digest);
        c.damage(PartialDownload::PartPath(Target()), PartialDownload::RecordPath(Target()));

        int64_t resumed = -1;
        EXPECT_EQ(Sorted(SecondRun(mirror, digest, resumed)), Sorted(AllRanges(kBlocks * kBlock)));
        EXPECT_EQ(resumed, 0);
        EXPECT_EQ(ReadFile(text::WideToSystem(Target())), content);
        EXPECT_NE(ReadLog().find(U8(u8"的未完成下载不能继续（") + U8(c.reason)), std::string::npos)
            << ReadLog();
        platform::RemoveFile(Target());
        platform::RemoveFile(dir_ / L"Install.log");
    }
}

TEST_F(ResumeDownloadTest, ABlockOfTheWrongFileIsNeverKeptForTheNextRun) {
    // Every block came, but the whole file fails the digest: nothing of it may be continued.
    const std::string content = MakeContent(3 * kBlock, 45);
    ScopedTempDir scratch;
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", content);
    EXPECT_FALSE(MakeTask(mirror, DigestOf(content + "x", scratch)).Run());
    EXPECT_FALSE(platform::PathExists(PartialDownload::PartPath(Target())));
    EXPECT_FALSE(platform::PathExists(PartialDownload::RecordPath(Target())));
}

TEST_F(ResumeDownloadTest, SomeoneElsesFileUnderThePartialNameIsNeverTouched) {
    // No record of ours beside it: the run uses a file of its own, which cannot be continued
    // and so does not outlive a run that ends early.
    const std::wstring theirs = PartialDownload::PartPath(Target());
    ASSERT_TRUE(platform::WriteWholeFile(theirs, "not a download"));
    FileMirrorServer mirror;
    mirror.AddFile("pkg.bin", MakeContent(kBlocks * kBlock, 46));
    CDownloadTask task = MakeTask(mirror, "");
    task.limits.maxBlockFailures = 1;
    mirror.RefuseGetsAfter(CDownloadTask::kThreadCount);
    EXPECT_FALSE(task.Run());

    std::string kept;
    EXPECT_TRUE(platform::ReadWholeFile(theirs, kept));
    EXPECT_EQ(kept, "not a download");
    EXPECT_FALSE(platform::PathExists(PartialDownload::RecordPath(Target())));
    std::vector<platform::DirectoryEntry> parts;
    platform::ListDirectory(dir_.path(), L"*.part", parts);
    EXPECT_EQ(parts.size(), 1u);
}

TEST_F(ResumeDownloadTest, TheSizeProbeReadsEachMirrorsValidator) {
    FileMirrorServer http;
    http.AddFile("pkg.bin", "abc");
    http.SetEtag("pkg.bin", "W/\"abc-1\"");
    std::string validator;
    EXPECT_EQ(ProbeFileSize(manager, http.Url("pkg.bin"), false, validator), 3);
    EXPECT_EQ(validator, "etag W/\"abc-1\"");
#ifndef _WIN32
    ScopedTempDir scratch;
    ASSERT_TRUE(platform::WriteWholeFile(scratch / L"pkg.bin", "abcd"));
    FtpTestServer ftp(text::WideToSystem(scratch.path()), "u", "p");
    ASSERT_TRUE(ftp.Start()) << ftp.error();
    EXPECT_EQ(ProbeFileSize(manager, ftp.Url("pkg.bin"), true, validator), 4);
    EXPECT_EQ(validator.rfind("mtime ", 0), 0u) << validator;
#endif
}

}  // namespace
