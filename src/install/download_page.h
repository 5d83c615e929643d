#pragma once
// The download page as data: the package list and the log list that the install engine
// fills and reads back (for its downloads, the progress tick and the summary). Every
// change is passed on to the front-end that shows the page.
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "install/install_front_end.h"

inline constexpr int kColumnCount = 7;
using PackageRow = std::array<std::wstring, kColumnCount>;

// Captions of the package list's columns.
extern const std::array<const wchar_t*, kColumnCount> kPackageColumnCaptions;

class DownloadPage : public IInstallFrontEnd {
  public:
    explicit DownloadPage(IInstallFrontEnd& view) : view_(view) {}

    void AddLogLine(const std::wstring& line) override;
    void ReplaceLastLogLine(const std::wstring& line) override;
    void ClearRows() override;
    void InsertRow(int row, const std::wstring& fileName) override;
    void SetCell(int row, int column, const std::wstring& text) override;
    void StartTimer(int id, unsigned periodMilliseconds) override;
    void StopTimer(int id) override;
    void ShowStatusLine(bool visible) override;
    void SetStatusText(const std::wstring& text) override;
    void StartWaitDialog() override;
    bool WaitDialogReady() override;
    void ShowWaitDialog() override;
    void EndWaitDialog() override;
    RuntimeChoice GetRuntimeChoice() override;
    void SetWizardButtons(int value) override;
    void GoToNextPage() override;

    // Timer 3: the last line grows by "…" while an archive unpacks; a line of 50 or more
    // characters is followed by a new "…" line instead.
    void AnimateLog();

    std::vector<PackageRow> Rows() const;
    std::vector<std::wstring> LogLines() const;
    int RowCount() const;
    std::wstring CellText(int row, int column) const;

  private:
    IInstallFrontEnd& view_;
    mutable std::mutex lock_;
    std::vector<PackageRow> rows_;
    std::vector<std::wstring> logLines_;
};

// Appends the page's block to the install log: separator, column captions, one line per
// row, every log line numbered "[%03d]", separator.
void WriteInstallSummary(const DownloadPage& page, const std::wstring& logPath);
