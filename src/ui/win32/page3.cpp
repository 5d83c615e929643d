#include "ui/win32/page3.h"

#include "app/text_format.h"
#include "download/download_manager.h"
#include "install/install_engine.h"
#include "install/package_plan.h"
#include "platform/text_codec.h"
#include "service/common.h"
#include "ui/bounded_poll.h"
#include "ui/page_texts.h"
#include "ui/res/wizard_ids.h"
#include "ui/win32/main_sheet.h"
#include "ui/win32/wait_dialog.h"

namespace {

// Runs a function handed over by another thread on the page's thread.
constexpr UINT WM_RUN_ON_PAGE = WM_APP + 2;

constexpr int kColumnWidths[kPackageFieldCount] = {120, 60, 55, 80, 55, 55, 120};

}  // namespace

CPage3::CPage3(CInstallContext& context, CDownloadManager& downloads)
    : CWizardPage(IDD_PAGE3, context), downloads_(downloads) {}

CPage3::~CPage3() {
    EndWaitDialog();
}

BOOL CPage3::OnInitDialog() {
    pageWindow_.store(window_);
    statusLine_.SetControl(Item(IDC_STATUS_LINE));
    controls_.ShowSidePicture(window_, context_.GetParam(L"leftjpg_path"));
    controls_.SetMarkup(window_, IDC_PAGE_TITLE, TitleMarkup(context_));
    controls_.SetMarkup(window_, IDC_PAGE_BODY, L"安装前需要先配置以下环境");

    const HWND list = Item(IDC_PACKAGE_LIST);
    // The widths are for 96 dots per inch; larger scalings widen the columns alike.
    const HDC screen = GetDC(window_);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(window_, screen);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int column = 0; column < kPackageFieldCount; ++column) {
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = const_cast<wchar_t*>(kPackageFieldCaptions[column]);
        info.cx = MulDiv(kColumnWidths[column], dpi, 96);
        info.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }

    const HWND bar = Item(IDC_PROGRESS);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SendMessageW(bar, PBM_SETRANGE32, 0, 10000);

    SetChecked(IDC_NET_DEFAULT, true);
    std::wstring error;
    if (PreparePlan(context_, L"", Ccommon::GetOsCode(), plan_, error))
        FillRows(true);
    else
        ShowMessage(error);
    return TRUE;
}

void CPage3::FillRows(bool withVersions) {
    ClearList();
    int row = 0;
    for (const PackageEntry& entry : plan_) {
        InsertListRow(row, FieldOf(entry, L"filename"));
        SetListCell(row, 1, FieldOf(entry, L"filesize"));
        if (withVersions)
            SetListCell(row, 6, FieldOf(entry, L"ver"));
        ++row;
    }
}

bool CPage3::OnSetActive() {
    PostWizardButtons(installState_ == 0 ? kWizardBackNext : kWizardNone);
    return true;
}

LRESULT CPage3::OnWizardNext() {
    if (installState_ != 0)
        return 0;  // the worker has registered the installation and moves on
    installState_ = 1;
    engine_ = std::make_unique<InstallEngine>(
        context_, downloads_, *this, plan_,
        ChosenVersionCaption(ChosenRuntime(), Ccommon::GetOsCode()));
    engine_->settleMilliseconds = settleMilliseconds;
    engine_->StartInstall();
    return -1;
}

bool CPage3::OnQueryCancel() {
    if (!ConfirmCancel())
        return false;
    EndWaitDialog();
    return true;
}

void CPage3::OnTimer(UINT_PTR id) {
    if (id == kProgressTimer) {
        Tick();
    } else if (id == kActivityTimer && engine_) {
        KillTimer(window_, kActivityTimer);
        engine_->AnimateLog();
        SetTimer(window_, kActivityTimer, 333, nullptr);
    }
}

void CPage3::Tick() {
    if (engine_)
        engine_->TickProgress(totals_);
    SetItemText(IDC_TOTAL_SIZE, totals_.totalSize);
    SetItemText(IDC_TOTAL_TIME, totals_.totalTime);
    SetItemText(IDC_REMAINING, totals_.remaining);
    SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, totals_.position, 0);
}

bool CPage3::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
        case IDC_NET20:
        case IDC_NET40:
            OnRuntimeClicked();
            return true;
        case IDC_OPEN_LOG:
            OpenInstallLog();
            return true;
        default:
            return false;
    }
}

void CPage3::OnRuntimeClicked() {
    std::wstring netver;
    if (IsChecked(IDC_NET20))
        netver = L"2.0";
    else if (IsChecked(IDC_NET40))
        netver = L"4.0";
    else
        return;
    std::wstring error;
    if (FetchPlan(context_, netver, plan_, error))
        FillRows(false);
}

bool CPage3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_RUN_ON_PAGE:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            result = TRUE;
            return true;
        case WM_INSTALL_LOG: {
            const char* bytes = reinterpret_cast<const char*>(wParam);
            std::string line =
                bytes == nullptr ? std::string() : std::string(bytes, static_cast<size_t>(lParam));
            line = line.substr(0, line.find('\0'));
            if (engine_)
                engine_->Log(text::SystemToWide(line));
            else
                AddListLine(text::SystemToWide(line));
            result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return statusLine_.OnControlColour(reinterpret_cast<HDC>(wParam),
                                               reinterpret_cast<HWND>(lParam), result);
        default:
            return false;
    }
}

void CPage3::OnDestroy() {
    pageWindow_.store(nullptr);
    KillTimer(window_, kProgressTimer);
    KillTimer(window_, kActivityTimer);
}

void CPage3::OnPageThread(const std::function<void()>& action) {
    const HWND window = pageWindow_.load();
    if (window == nullptr)
        return;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        action();
    else
        SendMessageW(window, WM_RUN_ON_PAGE, 0, reinterpret_cast<LPARAM>(&action));
}

void CPage3::AddListLine(const std::wstring& line) {
    const HWND box = Item(IDC_LOG_LIST);
    const LRESULT index =
        SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    // Selecting and at once deselecting scrolls the new line into view.
    SendMessageW(box, LB_SETCURSEL, index, 0);
    SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void CPage3::ClearList() {
    SendMessageW(Item(IDC_PACKAGE_LIST), LVM_DELETEALLITEMS, 0, 0);
}

void CPage3::InsertListRow(int row, const std::wstring& fileName) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(fileName.c_str());
    SendMessageW(Item(IDC_PACKAGE_LIST), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CPage3::SetListCell(int row, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(Item(IDC_PACKAGE_LIST), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void CPage3::PlanShown(const std::vector<PackageRow>& packages) {
    OnPageThread([&] {
        ClearList();
        for (int row = 0; row < static_cast<int>(packages.size()); ++row) {
            InsertListRow(row, packages[row][0]);
            for (int column = 1; column < kPackageFieldCount; ++column) {
                if (!packages[row][column].empty())
                    SetListCell(row, column, packages[row][column]);
            }
        }
    });
    // The run has begun: no way back, and Next comes when it has ended.
    SetWizardButtons(kWizardNone);
}

void CPage3::PackageChanged(int index, const PackageRow& package) {
    OnPageThread([&] {
        for (int column = 1; column < kPackageFieldCount; ++column)
            SetListCell(index, column, package[column]);
    });
}

void CPage3::LogLineAdded(const std::wstring& line) {
    OnPageThread([&] { AddListLine(line); });
}

void CPage3::LastLogLineReplaced(const std::wstring& line) {
    OnPageThread([&] {
        const HWND box = Item(IDC_LOG_LIST);
        const LRESULT count = SendMessageW(box, LB_GETCOUNT, 0, 0);
        if (count > 0)
            SendMessageW(box, LB_DELETESTRING, count - 1, 0);
        AddListLine(line);
    });
}

void CPage3::StepBegun(InstallStep step, const std::wstring& name) {
    switch (step) {
        case InstallStep::Download:
            OnPageThread([&] { SetTimer(window_, kProgressTimer, 150, nullptr); });
            break;
        case InstallStep::Extraction:
            OnPageThread([&] { SetTimer(window_, kActivityTimer, 333, nullptr); });
            break;
        case InstallStep::Setup:
            OpenWaitDialog();
            OnPageThread([&] {
                ShowWindow(Item(IDC_STATUS_LINE), SW_SHOW);
                SetItemText(IDC_STATUS_LINE, SetupStatusText(name, false));
            });
            break;
        case InstallStep::Configuration:
            StopTimers();
            break;
        case InstallStep::Registration:
            break;
    }
}

void CPage3::StepEnded(InstallStep step, const std::wstring& name) {
    switch (step) {
        case InstallStep::Extraction:
            OnPageThread([&] { KillTimer(window_, kActivityTimer); });
            break;
        case InstallStep::Setup:
            OnPageThread([&] { SetItemText(IDC_STATUS_LINE, SetupStatusText(name, true)); });
            EndWaitDialog();
            break;
        case InstallStep::Configuration:
            SetWizardButtons(kWizardNext);
            break;
        default:
            break;
    }
}

void CPage3::StopTimers() {
    OnPageThread([&] {
        KillTimer(window_, kProgressTimer);
        // The page keeps the figures of the end of the run, however the last tick fell.
        Tick();
        KillTimer(window_, kActivityTimer);
        ShowWindow(Item(IDC_STATUS_LINE), SW_HIDE);
    });
}

RuntimeChoice CPage3::ChosenRuntime() {
    RuntimeChoice choice = RuntimeChoice::Default;
    OnPageThread([&] {
        if (IsChecked(IDC_NET20))
            choice = RuntimeChoice::Net20;
        else if (IsChecked(IDC_NET40))
            choice = RuntimeChoice::Net40;
    });
    return choice;
}

void CPage3::SetWizardButtons(int value) {
    const HWND window = pageWindow_.load();
    if (window != nullptr)
        PostMessageW(GetParent(window), PSM_SETWIZBUTTONS, 0, value);
}

void CPage3::RunEnded(RunOutcome) {
    runEnded_.store(true);
    const HWND window = pageWindow_.load();
    if (window != nullptr)
        PostMessageW(GetParent(window), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

std::vector<std::wstring> CPage3::FailedFiles() const {
    return engine_ ? engine_->FailedFiles() : std::vector<std::wstring>();
}

std::vector<std::wstring> CPage3::DownloadedPackages() const {
    return engine_ ? engine_->DownloadedPackages() : std::vector<std::wstring>();
}

bool CPage3::RunInProgress() const {
    return installState_ != 0 && !runEnded_.load();
}

// The wait dialog comes from a thread of its own; one that never appears is given up after
// a bounded time, and the program is waited for without it.
void CPage3::OpenWaitDialog() {
    StartWaitDialog();
    if (PollUntil([this] { return WaitDialogReady(); }, waitDialogPollMilliseconds,
                  waitDialogPollLimit))
        ShowWaitDialog();
    else
        context_.LogText(L"Setup\tThe wait dialog did not appear; waiting without it");
}

void CPage3::StartWaitDialog() {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (waitThread_ == nullptr)
        waitThread_ = CWaitThread::Start();
}

bool CPage3::WaitDialogReady() {
    std::lock_guard<std::mutex> guard(waitLock_);
    return waitThread_ != nullptr && waitThread_->Dialog() != nullptr;
}

HWND CPage3::WaitDialogWindow() const {
    std::lock_guard<std::mutex> guard(waitLock_);
    return waitThread_ == nullptr ? nullptr : waitThread_->Dialog();
}

void CPage3::ShowWaitDialog() {
    const HWND dialog = WaitDialogWindow();
    const HWND page = pageWindow_.load();
    if (dialog == nullptr)
        return;
    if (page != nullptr)
        CMainSheet::CentreWaitDialog(GetParent(page), dialog);
    ShowWindow(dialog, SW_SHOW);
}

void CPage3::EndWaitDialog() {
    std::lock_guard<std::mutex> guard(waitLock_);
    if (waitThread_ == nullptr)
        return;
    waitThread_->TakeDown();
    waitThread_ = nullptr;
}
