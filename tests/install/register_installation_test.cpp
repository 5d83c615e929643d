// Uninstall registration and the install record.
#include <gtest/gtest.h>

#include <string>

#include "app/path_ops.h"
#include "finish_test_support.h"
#include "install/uninstall_registration.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "platform/uninstall_registry.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

PackageEntry Entry(const std::wstring& fileName, const std::wstring& rarPath,
                   const std::wstring& haveExistsDown = L"Y") {
    return {{L"filename", fileName}, {L"rarpath", rarPath}, {L"haveexistsdown", haveExistsDown}};
}

TEST(UninstallDirectory, FollowsTheLastUninstallerPackage) {
    const std::wstring setup = L"C:\\App";
    struct Case {
        const char* what;
        InstallPlan plan;
        std::wstring expected;
    } cases[] = {
        {"no uninstaller package", {Entry(L"a.zip", L"bin")}, setup},
        {"zip",
         {Entry(L"a.zip", L"bin"), Entry(L"unins000.zip", L"uninst")},
         JoinPath(setup, L"uninst")},
        {"rar in capitals", {Entry(L"UNINS000.RAR", L"u")}, JoinPath(setup, L"u")},
        {"later match wins",
         {Entry(L"unins000.zip", L"one"), Entry(L"Unins000.Rar", L"two")},
         JoinPath(setup, L"two")},
        {"whole name only",
         {Entry(L"unins000.zip.bak", L"x"), Entry(L"my-unins000.zip", L"y")},
         setup},
        {"empty rarpath", {Entry(L"unins000.zip", L"")}, JoinPath(setup, L"")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UninstallDirectory(setup, c.plan), c.expected) << c.what;
}

class Registration : public ::testing::Test {
  protected:
    ScopedTempDir dir;
    LoopbackService service;
    CInstallContext context{{service.Address()}, dir / L"Install.log"};
    RecordingEvents events;
    RunJournal journal{events};
    InstallPlan plan;
    InstallStepContext step{context, plan, journal};
    IsolatedUserFolders folders{dir.path()};
    std::wstring keyName;

    void SetUp() override {
        context.SetParam(L"SetupFullPath", dir / L"应用");
        ASSERT_TRUE(EnsureDirectory(JoinPath(dir / L"应用", L"uninst") + kPathSeparator));
    }
    // Puts an uninstaller into the uninstall directory `rarPath` of the install directory.
    void AddUninstaller(const std::wstring& rarPath) {
        const std::wstring uninstaller =
            JoinPath(JoinPath(dir / L"应用", rarPath), L"unins000.exe");
        ASSERT_TRUE(EnsureDirectory(uninstaller));
        ASSERT_TRUE(platform::WriteWholeFile(uninstaller, "uninstaller"));
    }
    void TearDown() override {
        if (!keyName.empty()) {
            EXPECT_TRUE(platform::RemoveUninstallEntry(keyName));
        }
    }
};

TEST_F(Registration, WritesTheEntryAndTheRecordOfThreePackages) {
    const std::wstring setup = dir / L"应用";
    plan = {Entry(L"数据.zip", L"data", L"n"), Entry(L"setup.exe", L"", L"Y"),
            Entry(L"unins000.zip", L"uninst", L"Y")};
    service.Answer("companyname",
                   "OK[{'DisplayName':'测试应用 installer-test','InstallDate':'2024-05-01',"
                   "'Publisher':'维诺公司'}]");
    keyName = L"测试应用 installer-test_is1";
    platform::RemoveUninstallEntry(keyName);
    AddUninstaller(L"uninst");

    RegisterInstallation(step);

    const std::wstring uninstallDir = JoinPath(setup, L"uninst");
    EXPECT_EQ(context.GetParam(L"UninstallPath"), uninstallDir);

    platform::UninstallEntry entry;
    ASSERT_TRUE(platform::ReadUninstallEntry(keyName, entry))
        << platform::UninstallEntryLocation(keyName);
    const std::wstring uninstaller = uninstallDir + kPathSeparator + L"unins000.exe";
    EXPECT_EQ(entry.displayName, L"测试应用 installer-test");
    EXPECT_EQ(entry.installDate, L"2024-05-01");
    EXPECT_EQ(entry.publisher, L"维诺公司");
    EXPECT_EQ(entry.installLocation, setup);
    EXPECT_EQ(entry.uninstallString, L"\"" + uninstaller + L"\"");
    EXPECT_EQ(entry.quietUninstallString, L"\"" + uninstaller + L"\" /SILENT");

    const std::wstring expected =
        L"[InstallInfo]\r\n"
        L"DisplayName=测试应用 installer-test\r\n"
        L"InstallDate=2024-05-01\r\n"
        L"Publisher=维诺公司\r\n"
        L"ItemCount=3\r\n"
        L"\r\n"
        L"[Item1]\r\nFileName=数据.zip\r\nDir=" +
        JoinPath(setup, L"data") +
        L"\r\nAllowDel=n\r\n\r\n"
        L"[Item2]\r\nFileName=setup.exe\r\nDir=" +
        JoinPath(setup, L"") +
        L"\r\nAllowDel=N\r\n\r\n"
        L"[Item3]\r\nFileName=unins000.zip\r\nDir=" +
        uninstallDir + L"\r\nAllowDel=Y\r\n\r\n";
    const std::string record = ReadBytes(uninstallDir + kPathSeparator + L"install.ini");
    EXPECT_EQ(record, text::WideToSystem(expected));
    // Chinese names survive the system code page (936 under Wine, UTF-8 on Linux).
    EXPECT_NE(text::SystemToWide(record).find(L"维诺公司"), std::wstring::npos);
    EXPECT_EQ(record.find('?'), std::string::npos);
}

TEST_F(Registration, ExeNamesAreNeverDeletableAndLineBreaksCannotForgeItems) {
    plan = {Entry(L"tool.exe.zip", L"t", L"Y"), Entry(L"a.EXE", L"a", L"Y")};
    ServiceRecord company{{L"DisplayName", L"App\r\n[Item9]\r\nDir=C:\\Windows"},
                          {L"InstallDate", L"d"},
                          {L"Publisher", L"p"}};
    const std::wstring record = text::SystemToWide(BuildInstallRecord(company, L"C:\\App", plan));
    EXPECT_NE(record.find(L"[Item1]\r\nFileName=tool.exe.zip\r\nDir=" + JoinPath(L"C:\\App", L"t") +
                          L"\r\nAllowDel=N\r\n"),
              std::wstring::npos);
    // ".exe" is matched with its case: "a.EXE" keeps its haveexistsdown value.
    EXPECT_NE(
        record.find(L"FileName=a.EXE\r\nDir=" + JoinPath(L"C:\\App", L"a") + L"\r\nAllowDel=Y\r\n"),
        std::wstring::npos);
    EXPECT_NE(record.find(L"DisplayName=App  [Item9]  Dir=C:\\Windows\r\n"), std::wstring::npos);
    EXPECT_EQ(record.find(L"\r\n[Item9]"), std::wstring::npos);
}

TEST_F(Registration, FailedCompanyNameWritesNothingButSetsThePath) {
    plan = {Entry(L"unins000.rar", L"uninst")};
    service.Answer("companyname", "ER unknown application");

    RegisterInstallation(step);

    const std::wstring uninstallDir = JoinPath(dir / L"应用", L"uninst");
    EXPECT_EQ(context.GetParam(L"UninstallPath"), uninstallDir);
    EXPECT_FALSE(platform::PathExists(uninstallDir + kPathSeparator + L"install.ini"));
#ifndef _WIN32
    EXPECT_FALSE(platform::PathExists(dir / L"data"));
#endif
}

TEST_F(Registration, UnwritableRecordIsLogged) {
    plan = {Entry(L"unins000.zip", L"uninst")};
    service.Answer(
        "companyname",
        "OK[{'DisplayName':'installer-test-unwritable','InstallDate':'','Publisher':''}]");
    keyName = L"installer-test-unwritable_is1";
    AddUninstaller(L"uninst");
    ASSERT_TRUE(EnsureDirectory(JoinPath(JoinPath(dir / L"应用", L"uninst"), L"install.ini") +
                                kPathSeparator));

    RegisterInstallation(step);

    EXPECT_NE(ReadLog(dir / L"Install.log").find(L"写入文件失败"), std::wstring::npos);
}

TEST_F(Registration, WithoutItsUninstallerNothingIsRegistered) {
    // The uninstaller's package failed: an entry would point at nothing and could never
    // be removed from the list of installed programs.
    plan = {Entry(L"app.zip", L""), Entry(L"unins000.zip", L"uninst")};
    service.Answer("companyname",
                   "OK[{'DisplayName':'installer-test-missing','InstallDate':'','Publisher':''}]");
    platform::RemoveUninstallEntry(L"installer-test-missing_is1");

    RegisterInstallation(step);

    const std::wstring uninstallDir = JoinPath(dir / L"应用", L"uninst");
    EXPECT_EQ(context.GetParam(L"UninstallPath"), uninstallDir);
    platform::UninstallEntry entry;
    EXPECT_FALSE(platform::ReadUninstallEntry(L"installer-test-missing_is1", entry));
    EXPECT_FALSE(platform::PathExists(uninstallDir + kPathSeparator + L"install.ini"));
    EXPECT_NE(ReadLog(dir / L"Install.log")
                  .find(uninstallDir + kPathSeparator + L"unins000.exe不存在，不注册卸载信息"),
              std::wstring::npos);
}

#ifdef _WIN32
// A volatile key only takes volatile children: a non-volatile subkey proves that the
// entry itself outlives a restart.
TEST_F(Registration, RegistryEntryIsNonVolatile) {
    keyName = L"installer-test-volatility_is1";
    platform::UninstallEntry entry;
    entry.displayName = L"installer-test-volatility";
    ASSERT_TRUE(platform::WriteUninstallEntry(keyName, entry));
    const std::wstring child =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + keyName + L"\\probe";
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, child.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS);
    if (key != nullptr)
        RegCloseKey(key);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, child.c_str());
}
#else
TEST_F(Registration, LinuxEntryFileLivesBelowTheDataDirectory) {
    keyName = L"a/../b_is1";
    platform::UninstallEntry entry;
    entry.displayName = L"a/../b";
    entry.uninstallString = L"\"/opt/app/unins000.exe\"";
    ASSERT_TRUE(platform::WriteUninstallEntry(keyName, entry));
    // The "/" of a service-given name cannot lead out of the entry directory.
    EXPECT_EQ(platform::UninstallEntryLocation(keyName),
              dir / L"data/installer/uninstall/a_.._b_is1.ini");
    EXPECT_TRUE(platform::PathExists(platform::UninstallEntryLocation(keyName)));
    platform::UninstallEntry read;
    ASSERT_TRUE(platform::ReadUninstallEntry(keyName, read));
    EXPECT_EQ(read.uninstallString, entry.uninstallString);
}
#endif

}  // namespace
