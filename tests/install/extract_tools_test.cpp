// Archives made by real archivers (Debian's zip and 7z) unpack as the archiver saw the
// tree: content, directories, modification times, traditional encryption.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/path_ops.h"
#include "install/extract_packages.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_attributes.h"
#include "platform/file_system.h"
#include "platform/file_times.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace {

std::string Quote(const std::wstring& path) {
    return "'" + text::WideToSystem(path) + "'";
}

class ExtractToolsTest : public testing::Test {
  protected:
    void SetUp() override {
        source_ = dir_ / L"tree";
        ASSERT_TRUE(EnsureDirectory(source_ + L"/sub/deeper/"));
        ASSERT_TRUE(platform::CreateDirectoryLevel(source_ + L"/empty"));
        std::string big;
        for (int i = 0; i < 20000; ++i)
            big += std::to_string(i * 7919 % 10007) + (i % 13 == 0 ? "\n" : ",");
        files_ = {{L"readme.txt", "hello\r\n"},
                  {L"sub/data.csv", big},
                  {L"sub/deeper/\u4e2d\u6587.txt", "chinese name"},
                  {L"zero.bin", ""}};
        for (const auto& [name, data] : files_)
            ASSERT_TRUE(platform::WriteWholeFile(JoinPath(source_, name), data));
        // A known modification time on one file, to see it come back.
        platform::FileTimes times;
        times.access = times.modification =
            static_cast<uint64_t>((1400000000LL + 11644473600LL) * 10000000LL);
        ASSERT_TRUE(platform::SetFileTimes(JoinPath(source_, L"readme.txt"), times));
    }

    // Runs a shell command in the source tree.
    void Run(const std::string& command) {
        const std::string line = "cd " + Quote(source_) + " && " + command + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }

    void ExpectTree(const std::wstring& base) {
        for (const auto& [name, data] : files_) {
            std::string got;
            EXPECT_TRUE(platform::ReadWholeFile(JoinPath(base, name), got))
                << text::WideToUtf8(name);
            EXPECT_TRUE(got == data) << text::WideToUtf8(name);
        }
        EXPECT_TRUE(platform::IsDirectory(base + L"/empty"));
        platform::FileTimes times;
        ASSERT_TRUE(platform::GetFileTimes(JoinPath(base, L"readme.txt"), times));
        EXPECT_EQ(times.modification / 10000000ULL, 1400000000ULL + 11644473600ULL);
    }

    ScopedTempDir dir_;
    std::wstring source_;
    std::vector<std::pair<std::wstring, std::string>> files_;
};

TEST_F(ExtractToolsTest, InfoZipArchivesPlainAndEncrypted) {
    const struct {
        const char* label;
        const char* options;
        const wchar_t* password;
        bool extracted;
    } cases[] = {
        {"plain, deflated", "", L"", true},
        {"plain, stored", "-0", L"", true},
        {"encrypted, right password", "-P 'pa ss'", L"pa ss", true},
        {"encrypted, wrong password", "-P 'pa ss'", L"pass", false},
        {"encrypted, empty password", "-P 'pa ss'", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring archive = dir_ / L"info.zip";
        platform::RemoveFile(archive);
        Run(std::string("zip -q -r ") + c.options + " " + Quote(archive) + " .");
        const std::wstring base = dir_ / L"out";
        platform::RemoveDirectoryTree(base);
        EXPECT_EQ(ExtractArchive(archive, base, c.password), c.extracted);
        if (c.extracted) {
            ExpectTree(base);
        } else {
            EXPECT_FALSE(platform::PathExists(base + L"/readme.txt"));
            EXPECT_FALSE(platform::PathExists(base + L"/sub/data.csv"));
        }
    }
}

TEST_F(ExtractToolsTest, SevenZipArchivesPlainAndEncrypted) {
    const struct {
        const char* label;
        const char* options;
        const wchar_t* password;
    } cases[] = {
        {"deflate", "-mm=Deflate", L""},
        {"stored", "-mm=Copy", L""},
        {"ZipCrypto", "-mm=Deflate -mem=ZipCrypto -p'p7 secret'", L"p7 secret"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring archive = dir_ / L"seven.zip";
        platform::RemoveFile(archive);
        Run(std::string("7z a -tzip ") + c.options + " " + Quote(archive) + " .");
        const std::wstring base = dir_ / L"out";
        platform::RemoveDirectoryTree(base);
        EXPECT_TRUE(ExtractArchive(archive, base, c.password));
        for (const auto& [name, data] : files_) {
            std::string got;
            EXPECT_TRUE(platform::ReadWholeFile(JoinPath(base, name), got));
            EXPECT_TRUE(got == data) << text::WideToUtf8(name);
        }
    }
}

TEST_F(ExtractToolsTest, StoredSymbolicLinksAreNotRecreated) {
    ASSERT_EQ(symlink("/etc", text::WideToSystem(source_ + L"/etc-link").c_str()), 0);
    const std::wstring archive = dir_ / L"links.zip";
    Run("zip -q -r -y " + Quote(archive) + " .");
    const std::wstring base = dir_ / L"out";
    std::vector<std::wstring> log;
    ExtractOptions options;
    options.log = [&](const std::wstring& line) { log.push_back(line); };
    EXPECT_FALSE(ExtractArchive(archive, base, L"", options));
    EXPECT_FALSE(platform::PathExists(base + L"/etc-link"));
    EXPECT_FALSE(platform::IsSymbolicLink(base + L"/etc-link"));
    EXPECT_EQ(log.size(), 1u);
    ExpectTree(base);
}

}  // namespace

#endif  // _WIN32
