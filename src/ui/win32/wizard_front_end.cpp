#include "ui/win32/wizard_front_end.h"

#include <ole2.h>

#include "app/install_context.h"
#include "download/download_manager.h"
#include "ui/win32/init_dialog.h"
#include "ui/win32/main_sheet.h"

WizardFrontEnd::WizardFrontEnd() {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), 0xFF};
    InitCommonControlsEx(&classes);
    // The folder chooser's new-style dialog and the shell links need OLE on this thread.
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
}

WizardFrontEnd::~WizardFrontEnd() {
    if (oleStarted_ && !abandoned_)
        OleUninitialize();
}

bool WizardFrontEnd::RunInitialization(CInstallContext& context) {
    CInitDlg dialog(context, CDownloadManager::Instance());
    return dialog.DoModal() == IDOK;
}

void WizardFrontEnd::RunWizard(CInstallContext& context) {
    auto sheet = std::make_unique<CMainSheet>(context, CDownloadManager::Instance());
    sheet->DoModal();
    if (sheet->Page3().RunInProgress()) {
        // The worker still uses the pages' data; they stay until the process ends.
        abandoned_ = true;
        context.LogText(L"安装已取消");
        (void)sheet.release();
    }
}

void WizardFrontEnd::ShowMessage(CInstallContext&, const std::wstring& text) {
    win32::ShowAppMessage(nullptr, text, MB_OK);
}

void WizardFrontEnd::EndProcessIfAbandoned() {
    if (abandoned_)
        ExitProcess(0);
}
