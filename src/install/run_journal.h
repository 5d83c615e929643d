#pragma once
// What a run has told so far: its packages and its log lines, kept for the install log's
// summary and for the progress tick, and passed on as events as they happen. Events are
// sent outside the lock: a front-end may answer on another thread that calls back in.
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "install/install_events.h"

// Captions of the summary's columns.
extern const std::array<const wchar_t*, kPackageFieldCount> kPackageFieldCaptions;

class RunJournal {
  public:
    explicit RunJournal(IInstallEvents& events) : events_(events) {}

    void Log(const std::wstring& line);
    // The activity while an archive unpacks: the last line grows by "…"; a line of 50 or
    // more characters is followed by a new "…" line instead.
    void AnimateLastLine();

    void ShowPlan(std::vector<PackageRow> packages);
    // Out-of-range indices are ignored.
    void UpdatePackage(int index, const PackageRow& package);

    void BeginStep(InstallStep step, const std::wstring& name = {});
    void EndStep(InstallStep step, const std::wstring& name = {});
    void EndRun(RunOutcome outcome);
    RuntimeChoice ChosenRuntime();

    std::vector<PackageRow> Packages() const;
    std::vector<std::wstring> LogLines() const;

  private:
    IInstallEvents& events_;
    mutable std::mutex lock_;
    std::vector<PackageRow> packages_;
    std::vector<std::wstring> logLines_;
};

// Appends the run's block to the install log: separator, column captions, one line per
// package, every log line numbered "[%03d]", separator.
void WriteInstallSummary(const RunJournal& journal, const std::wstring& logPath);
