#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "app/path_ops.h"
#include "platform/directory.h"
#include "platform/file_system.h"

ScopedTempDir::ScopedTempDir() {
    static std::atomic<unsigned> counter{0};
    std::wstring base = platform::GetTempDirectory();
    while (!base.empty() && IsPathSeparator(base.back()))
        base.pop_back();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        path_ = base + kPathSeparator + L"installer-test-" + std::to_wstring(stamp) + L"-" +
                std::to_wstring(counter++);
        if (!platform::PathExists(path_) && platform::CreateDirectoryLevel(path_))
            break;
    }
}

ScopedTempDir::~ScopedTempDir() {
    platform::RemoveDirectoryTree(path_);
}

std::wstring ScopedTempDir::operator/(const std::wstring& name) const {
    return JoinPath(path_, name);
}
