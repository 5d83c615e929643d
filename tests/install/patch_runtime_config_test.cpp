// Rewriting the runtime section of installed programs' .config files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/path_ops.h"
#include "finish_test_support.h"
#include "install/runtime_config_patcher.h"
#include "platform/file.h"
#include "platform/file_system.h"

namespace {

const std::string kNet20Config =
    "<?xml version=\"1.0\"?>\r\n"
    "<configuration>\r\n"
    "  <startup>\r\n"
    "    <supportedRuntime version=\"v2.0.50727\"/>\r\n"
    "  </startup>\r\n"
    "</configuration>\r\n";
const std::string kNet40Config =
    "<?xml version=\"1.0\"?>\r\n"
    "<configuration>\r\n"
    "  <startup useLegacyV2RuntimeActivationPolicy=\"true\">\r\n"
    "    <supportedRuntime version=\"v4.0\"/>\r\n"
    "  </startup>\r\n"
    "</configuration>\r\n";

class RuntimeConfigPatcher : public ::testing::Test {
  protected:
    ScopedTempDir dir;
    LoopbackService service;
    CInstallContext context{{service.Address()}, dir / L"Install.log"};
    RecordingEvents events;
    RunJournal journal{events};
    InstallPlan plan;
    InstallStepContext step{context, plan, journal};

    std::wstring SetupDir() const { return dir / L"setup"; }
    std::wstring Put(const std::wstring& relative, const std::string& content) {
        const std::wstring path = JoinPath(SetupDir(), relative);
        EXPECT_TRUE(EnsureDirectory(path));
        EXPECT_TRUE(platform::WriteWholeFile(path, content));
        return path;
    }
};

TEST_F(RuntimeConfigPatcher, RewritesOnlyTheExactTextsInBothDirections) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string chinese = "<!-- \xE8\xBF\x90\xE8\xA1\x8C -->\n";  // UTF-8 comment
    const std::string variant =
        "<startup >\n<supportedRuntime version=\"v2.0.50727\" sku=\"x\"/>\n<startup/>\n";
    struct Case {
        const char* what;
        RuntimeChoice choice;
        std::string before;
        std::string after;
    } cases[] = {
        {"to 4.0", RuntimeChoice::Net40, kNet20Config, kNet40Config},
        {"back to 2.0", RuntimeChoice::Net20, kNet40Config, kNet20Config},
        {"already 4.0", RuntimeChoice::Net40, kNet40Config, kNet40Config},
        {"mark and UTF-8 kept", RuntimeChoice::Net40, bom + chinese + kNet20Config,
         bom + chinese + kNet40Config},
        {"variants untouched", RuntimeChoice::Net40, variant, variant},
        {"every occurrence", RuntimeChoice::Net20, kNet40Config + kNet40Config,
         kNet20Config + kNet20Config},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = Put(L"app.exe.config", c.before);
        events.choice = c.choice;
        events.ClearLines();
        EXPECT_TRUE(PatchConfigFile(path, step));
        EXPECT_EQ(ReadBytes(path), c.after);
        EXPECT_EQ(events.Lines(),
                  (std::vector<std::wstring>{L"修改文件：" + path, L"修改文件成功"}));
        // A second run with the same choice changes nothing.
        EXPECT_TRUE(PatchConfigFile(path, step));
        EXPECT_EQ(ReadBytes(path), c.after);
    }
}

TEST_F(RuntimeConfigPatcher, AFileNamedLikeTheTemporaryOneIsLeftAlone) {
    const std::wstring path = Put(L"app.exe.config", kNet20Config);
    const std::wstring userFile = Put(L"app.exe.config.tmp", "the user's own file");
    events.choice = RuntimeChoice::Net40;

    EXPECT_TRUE(PatchConfigFile(path, step));
    EXPECT_EQ(ReadBytes(path), kNet40Config);
    EXPECT_EQ(ReadBytes(userFile), "the user's own file");
}

TEST_F(RuntimeConfigPatcher, DefaultChoiceTouchesAndLogsNothing) {
    const std::wstring path = Put(L"app.exe.config", kNet20Config);
    events.choice = RuntimeChoice::Default;
    EXPECT_TRUE(PatchConfigFile(path, step));
    EXPECT_TRUE(PatchConfigFile(dir / L"missing.config", step));
    EXPECT_EQ(ReadBytes(path), kNet20Config);
    EXPECT_TRUE(events.Lines().empty());
}

TEST_F(RuntimeConfigPatcher, MissingFileIsReported) {
    events.choice = RuntimeChoice::Net40;
    const std::wstring path = dir / L"missing.exe.config";
    EXPECT_FALSE(PatchConfigFile(path, step));
    EXPECT_EQ(events.Lines(), (std::vector<std::wstring>{L"修改文件：" + path, L"打开文件失败"}));
    EXPECT_FALSE(platform::PathExists(path));
}

TEST_F(RuntimeConfigPatcher, Utf16FileIsLeftWhole) {
    // "<startup>" in UTF-16 LE with its mark: cutting at the first zero byte would leave
    // two bytes of the file.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("<startup>\r\n<supportedRuntime version=\"v2.0.50727\"/>"))
        utf16 += std::string{c, '\0'};
    const std::wstring path = Put(L"wide.exe.config", utf16);
    events.choice = RuntimeChoice::Net40;
    EXPECT_FALSE(PatchConfigFile(path, step));
    EXPECT_EQ(ReadBytes(path), utf16);
    ASSERT_FALSE(events.Lines().empty());
    EXPECT_EQ(events.Lines().front(), L"修改文件：" + path);
    EXPECT_NE(events.Lines().back(), L"修改文件成功");
}

TEST_F(RuntimeConfigPatcher, PatchesTheMainProgramAndTheServiceList) {
    context.SetParam(L"SetupFullPath", SetupDir());
    Put(L"config\\name.ini", "[Name]\r\nexe=bin\\main.exe\r\n");
    const std::wstring mainConfig = Put(L"bin\\main.exe.config", kNet20Config);
    const std::wstring toolConfig = Put(L"tools\\tool.exe.config", kNet20Config);
    const std::wstring rootConfig = Put(L"root.exe.config", kNet20Config);
    service.Answer("appexe",
                   "OK[{'path':'tools','exename':'tool.exe'},{'path':'','exename':'root.exe'}]");
    events.choice = RuntimeChoice::Net40;

    PatchRuntimeConfigs(step);

    for (const auto& path : {mainConfig, toolConfig, rootConfig})
        EXPECT_EQ(ReadBytes(path), kNet40Config);
    EXPECT_EQ(events.Lines(),
              (std::vector<std::wstring>{L"修改文件：" + mainConfig, L"修改文件成功",
                                         L"修改文件：" + toolConfig, L"修改文件成功",
                                         L"修改文件：" + rootConfig, L"修改文件成功"}));
}

TEST_F(RuntimeConfigPatcher, FilesOutsideTheInstallDirectoryAreNeverRewritten) {
    context.SetParam(L"SetupFullPath", SetupDir());
    Put(L"config\\name.ini", "[Name]\r\nexe=..\\outside.exe\r\n");
    const std::wstring outside = dir / L"outside.exe.config";
    ASSERT_TRUE(platform::WriteWholeFile(outside, kNet20Config));
    service.Answer("appexe",
                   "OK[{'path':'..','exename':'outside.exe'},"
                   "{'path':'','exename':'../outside.exe'}]");
    events.choice = RuntimeChoice::Net40;

    PatchRuntimeConfigs(step);

    EXPECT_EQ(ReadBytes(outside), kNet20Config);
    EXPECT_TRUE(events.Lines().empty());
    // One line per refusal: name.ini's and the two of the service's list.
    const std::wstring log = ReadLog(dir / L"Install.log");
    size_t refusals = 0;
    for (size_t at = log.find(L"拒绝修改文件"); at != std::wstring::npos;
         at = log.find(L"拒绝修改文件", at + 1))
        ++refusals;
    EXPECT_EQ(refusals, 3u) << log;
}

TEST_F(RuntimeConfigPatcher, MissingNameFileAndFailedListAreLoggedAndSurvived) {
    context.SetParam(L"SetupFullPath", SetupDir());
    const std::wstring rootConfig = Put(L"root.exe.config", kNet20Config);
    service.Answer("appexe", "ER no list");
    events.choice = RuntimeChoice::Net40;

    PatchRuntimeConfigs(step);

    // Without name.ini the main program's file is "<setup>\.config", which does not exist.
    const std::wstring nameless = JoinPath(SetupDir(), L"") + L".config";
    EXPECT_EQ(events.Lines(),
              (std::vector<std::wstring>{L"修改文件：" + nameless, L"打开文件失败"}));
    EXPECT_EQ(ReadBytes(rootConfig), kNet20Config);
}

TEST_F(RuntimeConfigPatcher, DefaultChoiceSkipsEveryFile) {
    context.SetParam(L"SetupFullPath", SetupDir());
    Put(L"config\\name.ini", "[Name]\r\nexe=main.exe\r\n");
    const std::wstring mainConfig = Put(L"main.exe.config", kNet20Config);
    service.Answer("appexe", "OK[{'path':'','exename':'main.exe'}]");
    events.choice = RuntimeChoice::Default;

    PatchRuntimeConfigs(step);

    EXPECT_EQ(ReadBytes(mainConfig), kNet20Config);
    EXPECT_TRUE(events.Lines().empty());
}

}  // namespace
