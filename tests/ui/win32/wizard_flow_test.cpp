// The wizard's page flow with real windows: Next, Back, Cancel answered Yes or No, the
// agreement box and the navigation buttons it offers, the Help button that never shows.
#include <gtest/gtest.h>

#include "support/win32/window_capture.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/dialog_layer.h"
#include "wizard_test_support.h"

namespace {

using namespace wizard_test;

enum class Act { Next, Back, Cancel, ClickAgree, UncheckQuietly, Enter, Escape };

struct Step {
    Act act;
    int answer;          // the message box answer for this step (IDOK, IDYES, IDNO)
    int page;            // page expected afterwards, -1 when the wizard has closed
    const wchar_t* box;  // the message shown by this step, or null for none
    int next;            // Next enabled afterwards: 1, 0, or -1 when not checked
    int back;            // Back enabled afterwards: 1, 0, or -1 when not checked
};

struct FlowCase {
    const char* name;
    std::vector<Step> steps;
};

constexpr const wchar_t* kCancelQuestion = L"安装正在进行，是否退出安装？";

const FlowCase kFlowCases[] = {
    {"next with the box checked", {{Act::Next, IDOK, 1, nullptr, 1, 1}}},
    {"enter presses next", {{Act::Enter, IDOK, 1, nullptr, 1, 1}}},
    {"esc asks, no keeps the page",
     {{Act::Next, IDOK, 1, nullptr, 1, 1}, {Act::Escape, IDNO, 1, kCancelQuestion, 1, 1}}},
    {"esc answered yes closes", {{Act::Escape, IDYES, -1, kCancelQuestion, -1, -1}}},
    {"the box toggles next",
     {{Act::ClickAgree, IDOK, 0, nullptr, 0, 0}, {Act::ClickAgree, IDOK, 0, nullptr, 1, 0}}},
    {"next reached with the box unchecked",
     {{Act::UncheckQuietly, IDOK, 0, nullptr, -1, -1},
      {Act::Next, IDOK, 0, L"请先阅读条款", 1, 0}}},
    {"back from page 2",
     {{Act::Next, IDOK, 1, nullptr, 1, 1}, {Act::Back, IDOK, 0, nullptr, 1, 0}}},
    {"cancel answered no on page 2",
     {{Act::Next, IDOK, 1, nullptr, 1, 1}, {Act::Cancel, IDNO, 1, kCancelQuestion, 1, 1}}},
    {"cancel answered yes on page 2",
     {{Act::Next, IDOK, 1, nullptr, 1, 1}, {Act::Cancel, IDYES, -1, kCancelQuestion, -1, -1}}},
    {"cancel answered yes on page 1", {{Act::Cancel, IDYES, -1, kCancelQuestion, -1, -1}}},
    {"back from page 3",
     {{Act::Next, IDOK, 1, nullptr, 1, 1},
      {Act::Next, IDOK, 2, nullptr, 1, 1},
      {Act::Back, IDOK, 1, nullptr, 1, 1}}},
    {"cancel answered no on page 3",
     {{Act::Next, IDOK, 1, nullptr, 1, 1},
      {Act::Next, IDOK, 2, nullptr, 1, 1},
      {Act::Cancel, IDNO, 2, kCancelQuestion, 1, 1}}},
    {"the run ends on page 4, which closes without asking",
     {{Act::Next, IDOK, 1, nullptr, 1, 1},
      {Act::Next, IDOK, 2, nullptr, 1, 1},
      {Act::Next, IDOK, 3, nullptr, -1, -1},
      {Act::Cancel, IDYES, -1, nullptr, -1, -1}}},
};

void Perform(WizardRun& run, Act act) {
    switch (act) {
        case Act::Next:
            run.Press(PSBTN_NEXT);
            break;
        case Act::Back:
            run.Press(PSBTN_BACK);
            break;
        case Act::Cancel:
            run.Press(PSBTN_CANCEL);
            break;
        case Act::Enter:
            run.PressKey(VK_RETURN);
            break;
        case Act::Escape:
            run.PressKey(VK_ESCAPE);
            break;
        case Act::ClickAgree:
            run.OnWizardThread(
                [&] { SendMessageW(GetDlgItem(run.PageWindow(0), IDC_AGREE), BM_CLICK, 0, 0); });
            break;
        case Act::UncheckQuietly:
            run.OnWizardThread([&] {
                SendMessageW(GetDlgItem(run.PageWindow(0), IDC_AGREE), BM_SETCHECK, BST_UNCHECKED,
                             0);
            });
            break;
    }
}

TEST(WizardFlowTest, StateMachine) {
    for (const auto& flow : kFlowCases) {
        SCOPED_TRACE(flow.name);
        WizardEnvironment environment;
        WizardRun run(environment);
        ASSERT_TRUE(run.WaitForPage(0));
        ASSERT_TRUE(WaitFor([&] { return run.ButtonEnabled(kNextButton); }));
        for (size_t i = 0; i < flow.steps.size(); ++i) {
            const Step& step = flow.steps[i];
            SCOPED_TRACE("step " + std::to_string(i));
            const size_t boxesBefore = run.Boxes().Count();
            run.Boxes().SetAnswer(step.answer);
            Perform(run, step.act);
            if (step.box != nullptr) {
                ASSERT_TRUE(WaitFor([&] { return run.Boxes().Count() > boxesBefore; }));
                EXPECT_EQ(run.Boxes().Texts().back(), step.box);
                EXPECT_EQ(run.Boxes().Captions().back(), win32::ApplicationName());
            }
            if (step.page < 0) {
                ASSERT_TRUE(run.WaitForClosed());
            } else {
                ASSERT_TRUE(run.WaitForPage(step.page));
                EXPECT_FALSE(run.ButtonVisible(kHelpButton));
                if (step.next >= 0) {
                    EXPECT_TRUE(WaitFor(
                        [&] { return run.ButtonEnabled(kNextButton) == (step.next == 1); }));
                }
                if (step.back >= 0) {
                    EXPECT_TRUE(WaitFor(
                        [&] { return run.ButtonEnabled(kBackButton) == (step.back == 1); }));
                }
            }
            if (step.box == nullptr) {
                EXPECT_EQ(run.Boxes().Count(), boxesBefore);
            }
        }
    }
}

TEST(WizardFlowTest, CancelAnsweredNoKeepsPage2Entries) {
    WizardEnvironment environment;
    WizardRun run(environment, IDNO);
    ASSERT_TRUE(run.AdvanceTo(1));
    const HWND installBox = GetDlgItem(run.PageWindow(1), IDC_INSTALL_DIR);
    SetWindowTextW(installBox, L"C:\\typed by the user");
    run.Press(PSBTN_CANCEL);
    ASSERT_TRUE(WaitFor([&] { return run.Boxes().Count() == 1; }));
    ASSERT_TRUE(run.WaitForPage(1));
    EXPECT_EQ(WindowText(installBox), L"C:\\typed by the user");
}

TEST(WizardFlowTest, FocusStartsOnTheFirstControlThatTakesIt) {
    const int firstControls[] = {IDC_AGREEMENT_TEXT, IDC_INSTALL_DIR, IDC_NET_DEFAULT};
    WizardEnvironment environment;
    WizardRun run(environment);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE("page " + std::to_string(page + 1));
        if (page > 0)
            run.Press(PSBTN_NEXT);
        ASSERT_TRUE(run.WaitForPage(page));
        EXPECT_TRUE(WaitFor(
            [&] { return run.Focus() == GetDlgItem(run.PageWindow(page), firstControls[page]); }));
        // What the page looked like, kept as an artefact.
        EXPECT_TRUE(SaveWindowAsPng(
            run.Frame(), ArtifactPath(L"wizard-page" + std::to_wstring(page + 1) + L".png")));
    }
}

TEST(WizardFlowTest, FrameCaptionAndCentring) {
    WizardEnvironment environment;
    WizardRun run(environment);
    ASSERT_TRUE(run.WaitForPage(0));
    RECT frame = {};
    GetWindowRect(run.Frame(), &frame);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((frame.left + frame.right) / 2 - (area.left + area.right) / 2), 1);
    EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - (area.top + area.bottom) / 2), 1);
    const LONG style = GetWindowLongW(run.Frame(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
}

}  // namespace
