#include "app/install_context.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/path_ops.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace {

// Points the system's temporary directory elsewhere for one test, and back afterwards.
class TempEnvironment {
  public:
    TempEnvironment() : saved_(platform::GetTempDirectory()) {}
    ~TempEnvironment() { Set(saved_); }
    void Set(const std::wstring& value) {
#ifdef _WIN32
        _wputenv_s(L"TMP", value.c_str());
        _wputenv_s(L"TEMP", value.c_str());
#else
        setenv("TMPDIR", std::string(value.begin(), value.end()).c_str(), 1);
#endif
    }

  private:
    std::wstring saved_;
};

TEST(InstallContext, Defaults) {
    CInstallContext context;
    EXPECT_EQ(context.GetParam(L"comname"), L"Vornel");
    EXPECT_EQ(context.GetParam(L"appid"), L"qz");
    EXPECT_TRUE(context.config.empty());
    EXPECT_EQ(context.lastTransferResult, 0);
    ASSERT_EQ(context.serverList.size(), 5u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(context.serverList[i].find(L':'), std::wstring::npos) << context.serverList[i];
    for (size_t i = 3; i < 5; ++i)
        EXPECT_NE(context.serverList[i].find(L":8000"), std::wstring::npos);
    EXPECT_EQ(context.serverList[3], L"127.0.0.1:8000");
    EXPECT_EQ(GetFileNameOfPath(context.logPath), L"Install.log");
}

TEST(InstallContext, ReadingAMissingKeyInsertsItEmpty) {
    CInstallContext context({}, L"");
    EXPECT_EQ(context.Params().count(L"netver"), 0u);
    EXPECT_EQ(context.GetParam(L"netver"), L"");
    EXPECT_EQ(context.Params().count(L"netver"), 1u);
    context.SetParam(L"netver", L"4.0");
    EXPECT_EQ(context.GetParam(L"netver"), L"4.0");
    EXPECT_EQ(context.GetParam(L"NetVer"), L"");  // keys are case-sensitive
}

TEST(InstallContext, LogPathFollowsTheTemporaryDirectory) {
    ScopedTempDir temp;
    TempEnvironment environment;
    environment.Set(temp.path());
    EXPECT_EQ(CInstallContext::DefaultLogPath(), temp.path() + kPathSeparator + L"Install.log");

    // A temporary directory that cannot be created moves the log beside the installer.
    const std::wstring file = temp / L"file";
    ASSERT_TRUE(platform::WriteWholeFile(file, "x"));
    environment.Set(JoinPath(file, L"sub"));
    const std::wstring fallback = CInstallContext::DefaultLogPath();
    EXPECT_EQ(fallback, GetModuleDir() + kPathSeparator + L"Log" + kPathSeparator + L"Install.log");
    EXPECT_TRUE(platform::IsDirectory(GetModuleDir() + kPathSeparator + L"Log"));
}

TEST(InstallContext, LogTakesTextVerbatim) {
    ScopedTempDir temp;
    CInstallContext context({}, temp / L"Install.log");
    context.LogText(L"100%d");
    context.Log(L"%s=%d", L"code", 28);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(context.logPath, bytes));
    EXPECT_NE(bytes.find("\t100%d\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\tcode=28\r\n"), std::string::npos);
}

}  // namespace
