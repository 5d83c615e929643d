#include "ui/win32/page4.h"

#include "install/finish_steps.h"
#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/page3.h"

CPage4::CPage4(CInstallContext& context, const CPage3& downloadPage)
    : CWizardPage(IDD_PAGE4, context), downloadPage_(downloadPage) {}

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
    // Only what this run downloaded: a package that was already there stays.
    DeleteDownloadedPackages(downloadPage_.DownloadedPackages(), IsChecked(IDC_DELETE_PACKAGES));
    return true;
}
