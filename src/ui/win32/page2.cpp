#include "ui/win32/page2.h"

#include <shlobj.h>

#include "platform/shell_folders.h"
#include "ui/page_texts.h"
#include "ui/path_page_logic.h"
#include "ui/res/wizard_ids.h"

CPage2::CPage2(CInstallContext& context) : CWizardPage(IDD_PAGE2, context) {}

BOOL CPage2::OnInitDialog() {
    controls_.ShowSidePicture(window_, context_.GetParam(L"leftjpg_path"));
    controls_.SetMarkup(window_, IDC_PAGE_TITLE, TitleMarkup(context_));
    controls_.SetMarkup(window_, IDC_PAGE_BODY, L"安装前需要先配置以下运行环境");
    std::wstring programsFolder;
    platform::GetSpecialFolderPath(platform::SpecialFolder::ProgramFiles, programsFolder, false);
    SetItemText(IDC_INSTALL_DIR, ProposeInstallDirectory(context_, programsFolder));
    SetItemText(IDC_DOWNLOAD_DIR, context_.GetParam(L"DownloadPath"));
    return TRUE;
}

bool CPage2::OnSetActive() {
    PostWizardButtons(kWizardBackNext);
    return true;
}

bool CPage2::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return false;
    if (id == IDC_BROWSE_INSTALL) {
        ChooseFolder(IDC_INSTALL_DIR);
        return true;
    }
    if (id == IDC_BROWSE_DOWNLOAD) {
        ChooseFolder(IDC_DOWNLOAD_DIR);
        return true;
    }
    return false;
}

void CPage2::ChooseFolder(int boxId) {
    BROWSEINFOW info = {};
    info.hwndOwner = window_;
    info.lpszTitle = L"选择一个目录";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path))
        SetItemText(boxId, path);
    CoTaskMemFree(chosen);
}

LRESULT CPage2::OnWizardNext() {
    const DirectoryCheckResult result =
        CheckDirectories(context_, ItemText(IDC_INSTALL_DIR), ItemText(IDC_DOWNLOAD_DIR));
    SetItemText(IDC_INSTALL_DIR, result.installDirectory);
    SetItemText(IDC_DOWNLOAD_DIR, result.downloadDirectory);
    if (result.ok)
        return 0;
    ShowMessage(result.message);
    return -1;
}
