#include "ui/win32/page1.h"

#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"

CPage1::CPage1(CInstallContext& context) : CWizardPage(IDD_PAGE1, context) {}

BOOL CPage1::OnInitDialog() {
    controls_.SetMarkup(window_, IDC_PAGE_TITLE, TitleMarkup(context_, L"华文中宋"), true);
    controls_.SetMarkup(window_, IDC_PAGE_BODY, context_.config[L"bodytext"]);
    SetItemText(IDC_AGREEMENT_TEXT, ReadAgreementText(context_.GetParam(L"copyright_path")));
    agreementBox_.AttachDlgItem(window_, IDC_AGREEMENT_TEXT);
    controls_.ShowSidePicture(window_, context_.GetParam(L"leftjpg_path"));
    SetChecked(IDC_AGREE, true);
    SetItemText(IDC_VERSION_LINE, VersionLine(context_));
    SetItemText(IDC_TOOL_LINE, L"安装工具：205A");
    return TRUE;
}

bool CPage1::OnSetActive() {
    PostWizardButtons(kWizardNext);
    return true;
}

bool CPage1::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return false;
    if (id == IDC_AGREE) {
        PostWizardButtons(IsChecked(IDC_AGREE) ? kWizardNext : kWizardNone);
        return true;
    }
    if (id == IDC_OPEN_LOG) {
        OpenInstallLog();
        return true;
    }
    return false;
}

LRESULT CPage1::OnWizardNext() {
    if (IsChecked(IDC_AGREE))
        return 0;
    ShowMessage(L"请先阅读条款");
    return -1;
}
