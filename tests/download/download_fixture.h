#pragma once
// Shared by the download tests: a temporary directory whose Install.log receives the
// download manager's lines, and reproducible file contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "download/download_manager.h"
#include "download/file_digest.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedLogPath_ = CDownloadManager::Instance().logPath;
        CDownloadManager::Instance().logPath = dir_ / L"Install.log";
    }
    void TearDown() override { CDownloadManager::Instance().logPath = savedLogPath_; }

    std::wstring LogPath() const { return dir_ / L"Install.log"; }
    // The log as UTF-8 text.
    std::string ReadLog() const {
        std::string bytes;
        platform::ReadWholeFile(dir_ / L"Install.log", bytes);
        return bytes;
    }
    // A path in the temporary directory, narrow as libcurl and the tasks take it.
    std::string NarrowPath(const std::wstring& name) const {
        return text::WideToSystem(dir_ / name);
    }
    bool Exists(const std::string& narrowPath) const {
        return platform::PathExists(text::SystemToWide(narrowPath));
    }
    std::string ReadFile(const std::string& narrowPath) const {
        std::string bytes;
        platform::ReadWholeFile(text::SystemToWide(narrowPath), bytes);
        return bytes;
    }

    ScopedTempDir dir_;

  private:
    std::wstring savedLogPath_;
};

inline std::string MakeContent(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string content(size, '\0');
    for (char& c : content)
        c = static_cast<char>(generator() & 0xFF);
    return content;
}

// The SHA-256 of `content`, through a file in `dir`.
inline std::string DigestOf(const std::string& content, ScopedTempDir& dir) {
    const std::wstring file = dir / L"digest-source";
    std::string hex;
    EXPECT_TRUE(platform::WriteWholeFile(file, content));
    EXPECT_TRUE(FileSha256(file, hex));
    return hex;
}

// UTF-8 literal as std::string (the log is UTF-8).
inline std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}
