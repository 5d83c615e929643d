#include "ui/win32/page4.h"

#include "download/download_manager.h"
#include "install/finish_steps.h"
#include "install/install_front_end.h"
#include "platform/text_codec.h"
#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/page3.h"

CPage4::CPage4(CInstallContext& context, CDownloadManager& downloads, const CPage3& downloadPage)
    : CWizardPage(IDD_PAGE4, context), downloads_(downloads), downloadPage_(downloadPage) {}

BOOL CPage4::OnInitDialog() {
    controls_.ShowSidePicture(window_, context_.GetParam(L"leftjpg_path"));
    controls_.SetMarkup(window_, IDC_PAGE_TITLE, TitleMarkup(context_));
    const FinishTexts texts = RunFinishSteps(context_, downloadPage_.FailedFiles());
    controls_.SetMarkup(window_, IDC_PAGE_BODY, texts.body);
    controls_.SetMarkup(window_, IDC_FINISH_TIP, texts.tip);
    SetChecked(IDC_DELETE_PACKAGES, true);
    return TRUE;
}

bool CPage4::OnSetActive() {
    PostWizardButtons(kWizardFinish);
    return true;
}

bool CPage4::OnWizardFinish() {
    std::vector<std::wstring> packages;
    for (const auto& [name, task] : downloads_.tasks)
        if (!task.targetPath.empty())
            packages.push_back(text::SystemToWide(task.targetPath));
    DeleteDownloadedPackages(packages, IsChecked(IDC_DELETE_PACKAGES));
    return true;
}
