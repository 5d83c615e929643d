// Page 2 with real windows: the proposed directories, the checks of Next with their
// messages, and the trimmed paths written back into the boxes.
#include <gtest/gtest.h>

#include "ui/res/wizard_ids.h"
#include "wizard_test_support.h"

namespace {

using namespace wizard_test;

struct CheckCase {
    const char* name;
    std::wstring install;   // relative to the test directory when it starts with "@"
    std::wstring download;  // the same
    const wchar_t* needsize;
    const wchar_t* message;  // null when Next moves on
    std::wstring installAfter;
    std::wstring downloadAfter;
    std::wstring storedInstall;  // SetupFullPath afterwards
};

std::wstring Resolve(const ScopedTempDir& temp, const std::wstring& text) {
    return !text.empty() && text[0] == L'@' ? temp.path() + text.substr(1) : text;
}

TEST(PathPageTest, ChecksOfNext) {
    const CheckCase cases[] = {
        {"empty install box", L"", L"@\\dl", L"1", L"所选安装目录的盘符不存在", L"", L"@\\dl", L""},
        {"install drive missing", L"Q:\\app", L"@\\dl", L"1", L"所选安装目录的盘符不存在",
         L"Q:\\app", L"@\\dl", L""},
        {"download drive missing", L"@\\app\\\\", L"Q:\\dl", L"1", L"所选下载目录的盘符不存在",
         L"@\\app", L"Q:\\dl", L"@\\app"},
        {"not enough space", L"@\\app", L"@\\dl", L"2000000000", L"所选安装目录所在盘的空间不足",
         L"@\\app", L"@\\dl", L""},
        {"both valid, trailing backslashes trimmed", L"@\\app\\\\", L"@\\dl\\", L"abc", nullptr,
         L"@\\app", L"@\\dl", L"@\\app"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WizardEnvironment environment;
        environment.context.config[L"needsize"] = c.needsize;
        WizardRun run(environment);
        ASSERT_TRUE(run.AdvanceTo(1));
        const HWND page = run.PageWindow(1);
        SetWindowTextW(GetDlgItem(page, IDC_INSTALL_DIR),
                       Resolve(environment.temp, c.install).c_str());
        SetWindowTextW(GetDlgItem(page, IDC_DOWNLOAD_DIR),
                       Resolve(environment.temp, c.download).c_str());
        run.Press(PSBTN_NEXT);
        if (c.message != nullptr) {
            ASSERT_TRUE(WaitFor([&] { return run.Boxes().Count() == 1; }));
            EXPECT_EQ(run.Boxes().Texts()[0], c.message);
            EXPECT_EQ(run.CurrentPage(), 1);
        } else {
            ASSERT_TRUE(run.WaitForPage(2));
            EXPECT_EQ(run.Boxes().Count(), 0u);
            EXPECT_EQ(environment.context.GetParam(L"DownloadPath"),
                      Resolve(environment.temp, c.downloadAfter));
        }
        EXPECT_EQ(WindowText(GetDlgItem(page, IDC_INSTALL_DIR)),
                  Resolve(environment.temp, c.installAfter));
        EXPECT_EQ(WindowText(GetDlgItem(page, IDC_DOWNLOAD_DIR)),
                  Resolve(environment.temp, c.downloadAfter));
        // The install directory is stored once its own checks passed, whatever follows.
        EXPECT_EQ(environment.context.GetParam(L"SetupFullPath"),
                  Resolve(environment.temp, c.storedInstall));
    }
}

TEST(PathPageTest, ProposedDirectories) {
    struct ProposalCase {
        const char* name;
        std::wstring setuppath;
        std::wstring shown;
        std::wstring stored;
    };
    const ProposalCase cases[] = {
        {"empty", L"", L"C:\\Vornel", L"C:\\Vornel"},
        {"missing drive becomes c:", L"Q:\\Apps\\Vornel", L"c:\\Apps\\Vornel", L"c:\\Apps\\Vornel"},
        {"existing drive kept", L"C:\\Apps\\Vornel", L"C:\\Apps\\Vornel", L"C:\\Apps\\Vornel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WizardEnvironment environment;
        environment.context.config[L"setuppath"] = c.setuppath;
        WizardRun run(environment);
        ASSERT_TRUE(run.AdvanceTo(1));
        EXPECT_EQ(WindowText(GetDlgItem(run.PageWindow(1), IDC_INSTALL_DIR)), c.shown);
        EXPECT_EQ(WindowText(GetDlgItem(run.PageWindow(1), IDC_DOWNLOAD_DIR)),
                  environment.temp / L"downloads");
        run.OnWizardThread([&] { EXPECT_EQ(environment.context.config[L"setuppath"], c.stored); });
    }
}

}  // namespace
