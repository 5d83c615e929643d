#include "ui/win32/init_dialog.h"

#include "app/install_context.h"
#include "app/text_format.h"
#include "ui/res/wizard_ids.h"

CInitDlg::CInitDlg(CInstallContext& context, CDownloadManager& downloads)
    : ModalDialog(IDD_INIT_DIALOG), context_(context), sequence_(context, downloads, *this) {}

BOOL CInitDlg::OnInitDialog() {
    SetWindowTextW(window_, text::Format(L"%s 开始安装", context_.GetParam(L"appid")).c_str());
    // The box holds far more than an edit control's default 30000 characters.
    SendMessageW(Item(IDC_INIT_PROGRESS), EM_SETLIMITTEXT, 0, 0);
    win32::CentreWindow(window_, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetTimer(window_, kStartTimer, 100, nullptr);
    return TRUE;
}

void CInitDlg::OnTimer(UINT_PTR id) {
    if (id != kStartTimer)
        return;
    KillTimer(window_, kStartTimer);
    if (sequence_.RunInitSequence() > 0) {
        EndDialog(IDOK);
        context_.LogText(L"CInitDlg-OnOK");
    } else {
        context_.LogText(L"取消安装-CInitDlg");
    }
}

bool CInitDlg::OnCommand(int id, int code) {
    if (id == IDOK)
        return true;
    return ModalDialog::OnCommand(id, code);
}

void CInitDlg::AppendText(const std::wstring& text) {
    sequence_.AppendText(text);
}

void CInitDlg::ShowText(const std::wstring& text) {
    const HWND box = Item(IDC_INIT_PROGRESS);
    if (box == nullptr)
        return;
    const int before = GetWindowTextLengthW(box);
    SendMessageW(box, EM_SETSEL, before, before);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    if (before > kTextLimit) {
        const LRESULT firstVisible = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
        const LRESULT start = SendMessageW(box, EM_LINEINDEX, firstVisible, 0);
        SendMessageW(box, EM_SETSEL, 0, start);
        SendMessageW(box, EM_SCROLLCARET, 0, 0);
        SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
}
