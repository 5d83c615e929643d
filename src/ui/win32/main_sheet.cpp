#include "ui/win32/main_sheet.h"

#include "platform/win32/subclassed_window.h"

namespace {

// The callback of PropertySheetW carries no user data: the sheet being created is kept
// here for the duration of its DoModal on this thread.
thread_local CMainSheet* creatingSheet = nullptr;

constexpr int kHelpButton = 9;

}  // namespace

class CMainSheet::FrameHook : public win32::SubclassedWindow {
  public:
    explicit FrameHook(CMainSheet& sheet) : sheet_(sheet) {}

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_MOVE) {
            const HWND dialog = sheet_.page3_.WaitDialogWindow();
            if (dialog != nullptr)
                CentreWaitDialog(Handle(), dialog);
        }
        return DefaultHandling(message, wParam, lParam);
    }

  private:
    CMainSheet& sheet_;
};

CMainSheet::CMainSheet(CInstallContext& context, CDownloadManager& downloads)
    : page1_(context), page2_(context), page3_(context, downloads), page4_(context, page3_) {}

CMainSheet::~CMainSheet() {
    delete hook_;
}

INT_PTR CMainSheet::DoModal() {
    HPROPSHEETPAGE pages[] = {page1_.CreatePage(), page2_.CreatePage(), page3_.CreatePage(),
                              page4_.CreatePage()};
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_WIZARD | PSH_USECALLBACK;
    header.hwndParent = nullptr;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"在线安装";
    header.nPages = 4;
    header.nStartPage = 0;
    header.phpage = pages;
    header.pfnCallback = &CMainSheet::SheetCallback;
    CMainSheet* const outer = creatingSheet;
    creatingSheet = this;
    const INT_PTR result = PropertySheetW(&header);
    creatingSheet = outer;
    frame_ = nullptr;
    return result;
}

int CALLBACK CMainSheet::SheetCallback(HWND window, UINT message, LPARAM lParam) {
    if (message == PSCB_PRECREATE && lParam != 0) {
        // The frame gets a system menu and a minimize box. The template is either the
        // classic or the extended form (signature 0xFFFF in its second word).
        auto* words = reinterpret_cast<WORD*>(lParam);
        const bool extended = words[1] == 0xFFFF;
        auto* style = reinterpret_cast<DWORD*>(extended ? words + 6 : words);
        *style |= WS_SYSMENU | WS_MINIMIZEBOX;
    } else if (message == PSCB_INITIALIZED && creatingSheet != nullptr) {
        creatingSheet->OnFrameInitialized(window);
    }
    return 0;
}

void CMainSheet::OnFrameInitialized(HWND frame) {
    frame_ = frame;
    ShowWindow(GetDlgItem(frame, kHelpButton), SW_HIDE);
    win32::CentreWindow(frame, nullptr);
    delete hook_;
    hook_ = new FrameHook(*this);
    hook_->Attach(frame);
}

void CMainSheet::CentreWaitDialog(HWND frame, HWND dialog) {
    POINT origin = {0, 0};
    ClientToScreen(frame, &origin);
    RECT frameClient = {};
    GetClientRect(frame, &frameClient);
    RECT dialogClient = {};
    GetClientRect(dialog, &dialogClient);
    const int x = origin.x + frameClient.right / 2 - dialogClient.right / 2 - 4;
    const int y = origin.y + frameClient.bottom / 2 - dialogClient.bottom / 2 - 12;
    // The dialog keeps its own size: giving it its client size would shrink it by its
    // border on every move.
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
