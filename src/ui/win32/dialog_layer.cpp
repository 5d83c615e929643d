#include "ui/win32/dialog_layer.h"

#include <vector>

#include "platform/module_info.h"

namespace win32 {

std::wstring DialogWindow::ItemText(int id) const {
    const HWND item = Item(id);
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(item, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void DialogWindow::SetItemText(int id, const std::wstring& text) const {
    SetDlgItemTextW(window_, id, text.c_str());
}

bool DialogWindow::IsChecked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void DialogWindow::SetChecked(int id, bool checked) const {
    CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR DialogWindow::NotifyResult(LONG_PTR value) {
    SetWindowLongPtrW(window_, DWLP_MSGRESULT, value);
    return TRUE;
}

INT_PTR DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = 0;
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_TIMER:
            OnTimer(wParam);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return OnMessage(message, wParam, lParam, result) ? result : FALSE;
    }
}

INT_PTR DialogWindow::Route(DialogWindow* self, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    if (self == nullptr)
        return FALSE;
    const INT_PTR result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

INT_PTR CALLBACK DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = message == WM_INITDIALOG
                     ? reinterpret_cast<DialogWindow*>(lParam)
                     : reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return Route(self, window, message, wParam, lParam);
}

INT_PTR ModalDialog::DoModal(HWND parent) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                           &DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
}

void ModalDialog::EndDialog(INT_PTR result) {
    ::EndDialog(window_, result);
}

bool ModalDialog::OnCommand(int id, int code) {
    (void)code;
    // Esc and the close box arrive as IDCANCEL.
    if (id == IDCANCEL || id == IDOK) {
        EndDialog(id);
        return true;
    }
    return false;
}

bool ModelessDialog::Create(HWND parent) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                              &DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void ModelessDialog::Destroy() {
    if (window_ != nullptr)
        DestroyWindow(window_);
}

HPROPSHEETPAGE PropertyPage::CreatePage() {
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(templateId_);
    page.pfnDlgProc = &PropertyPage::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageW(&page);
}

void PropertyPage::PostWizardButtons(int value) const {
    PostMessageW(Sheet(), PSM_SETWIZBUTTONS, 0, value);
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* self = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        self = reinterpret_cast<PropertyPage*>(page->lParam);
    } else {
        self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    return Route(self, window, message, wParam, lParam);
}

INT_PTR PropertyPage::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY)
        return DialogWindow::Dispatch(message, wParam, lParam);
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    switch (header->code) {
        case PSN_SETACTIVE:
            return NotifyResult(OnSetActive() ? 0 : -1);
        case PSN_WIZNEXT:
            return NotifyResult(OnWizardNext());
        case PSN_WIZBACK:
            return NotifyResult(OnWizardBack());
        case PSN_WIZFINISH:
            return NotifyResult(OnWizardFinish() ? FALSE : TRUE);
        case PSN_QUERYCANCEL:
            return NotifyResult(OnQueryCancel() ? FALSE : TRUE);
        default:
            return DialogWindow::Dispatch(message, wParam, lParam);
    }
}

std::wstring ApplicationName() {
    std::wstring name = platform::GetModuleFilePath();
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}

int ShowAppMessage(HWND owner, const std::wstring& text, UINT type) {
    return MessageBoxW(owner, text.c_str(), ApplicationName().c_str(), type);
}

void CentreWindow(HWND window, HWND reference) {
    RECT area = {};
    if (reference != nullptr)
        GetWindowRect(reference, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = {};
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win32
