#include "install/download_page.h"

#include "app/install_log.h"
#include "app/text_format.h"

const std::array<const wchar_t*, kColumnCount> kPackageColumnCaptions = {
    L"文件名", L"大小[kB]", L"进度[%]", L"速度[kB/s]", L"用时[s]", L"剩余[s]", L"版本号"};

void DownloadPage::AddLogLine(const std::wstring& line) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        logLines_.push_back(line);
    }
    view_.AddLogLine(line);
}

void DownloadPage::ReplaceLastLogLine(const std::wstring& line) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (logLines_.empty())
            return;
        logLines_.back() = line;
    }
    view_.ReplaceLastLogLine(line);
}

void DownloadPage::AnimateLog() {
    std::wstring last;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!logLines_.empty())
            last = logLines_.back();
    }
    if (last.size() >= 50)
        AddLogLine(L"…");
    else
        ReplaceLastLogLine(last + L"…");
}

void DownloadPage::ClearRows() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.clear();
    }
    view_.ClearRows();
}

void DownloadPage::InsertRow(int row, const std::wstring& fileName) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (row < 0 || row > static_cast<int>(rows_.size()))
            row = static_cast<int>(rows_.size());
        PackageRow cells;
        cells[0] = fileName;
        rows_.insert(rows_.begin() + row, cells);
    }
    view_.InsertRow(row, fileName);
}

void DownloadPage::SetCell(int row, int column, const std::wstring& text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
            column >= kColumnCount)
            return;
        rows_[row][column] = text;
    }
    view_.SetCell(row, column, text);
}

void DownloadPage::StartTimer(int id, unsigned periodMilliseconds) {
    view_.StartTimer(id, periodMilliseconds);
}
void DownloadPage::StopTimer(int id) {
    view_.StopTimer(id);
}
void DownloadPage::ShowStatusLine(bool visible) {
    view_.ShowStatusLine(visible);
}
void DownloadPage::SetStatusText(const std::wstring& text) {
    view_.SetStatusText(text);
}
void DownloadPage::StartWaitDialog() {
    view_.StartWaitDialog();
}
bool DownloadPage::WaitDialogReady() {
    return view_.WaitDialogReady();
}
void DownloadPage::ShowWaitDialog() {
    view_.ShowWaitDialog();
}
void DownloadPage::EndWaitDialog() {
    view_.EndWaitDialog();
}
RuntimeChoice DownloadPage::GetRuntimeChoice() {
    return view_.GetRuntimeChoice();
}
void DownloadPage::SetWizardButtons(int value) {
    view_.SetWizardButtons(value);
}
void DownloadPage::GoToNextPage() {
    view_.GoToNextPage();
}

std::vector<PackageRow> DownloadPage::Rows() const {
    std::lock_guard<std::mutex> guard(lock_);
    return rows_;
}

std::vector<std::wstring> DownloadPage::LogLines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return logLines_;
}

int DownloadPage::RowCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(rows_.size());
}

std::wstring DownloadPage::CellText(int row, int column) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumnCount)
        return {};
    return rows_[row][column];
}

void WriteInstallSummary(const DownloadPage& page, const std::wstring& logPath) {
    static constexpr const wchar_t* kSeparator =
        L"--下载&安装日志---------------------------------------\n";
    std::wstring block = L"\n";
    block += kSeparator;
    std::wstring table;
    for (const wchar_t* caption : kPackageColumnCaptions)
        table += std::wstring(caption) + L"\t";
    table += L"\n";
    for (const auto& row : page.Rows()) {
        for (const auto& cell : row)
            table += cell + L"\t";
        table += L"\n";
    }
    block += table + L"\n";
    int number = 1;
    for (const auto& line : page.LogLines())
        block += text::Format(L"[%03d]%s\n", number++, line);
    block += kSeparator;
    block += L"\n";
    install_log::AppendText(logPath, block);
}
