#pragma once
// What the install engine tells whoever shows the run: the wizard's page 3 maps these to
// its controls, the console prints, tests record. Every event may come from the worker
// thread; what a front-end does not show it leaves to the empty defaults.
#include <array>
#include <string>
#include <vector>

// The runtime generation chosen on the download page.
enum class RuntimeChoice { Default, Net20, Net40 };

// The steps of a run, in the order they begin. Extraction and Setup begin and end once
// per archive and per setup program, named by it.
enum class InstallStep { Download, Extraction, Setup, Configuration, Registration };

enum class RunOutcome { Installed, PackagesFailed };

// One package of the run as the install log's summary lists it: file name, size [kB],
// progress [%], speed [kB/s], time [s], remaining [s], version.
inline constexpr int kPackageFieldCount = 7;
using PackageRow = std::array<std::wstring, kPackageFieldCount>;

class IInstallEvents {
  public:
    virtual ~IInstallEvents() = default;

    // The packages the run works on, in order: the run has begun.
    virtual void PlanShown(const std::vector<PackageRow>& packages) { (void)packages; }
    // A package's texts changed (its size after a failed check, its progress).
    virtual void PackageChanged(int index, const PackageRow& package) {
        (void)index;
        (void)package;
    }
    // A new line at the end of the run's log.
    virtual void LogLineAdded(const std::wstring& line) = 0;
    // The last line of the log was rewritten (it grows while an archive unpacks).
    virtual void LastLogLineReplaced(const std::wstring& line) { (void)line; }
    virtual void StepBegun(InstallStep step, const std::wstring& name) {
        (void)step;
        (void)name;
    }
    virtual void StepEnded(InstallStep step, const std::wstring& name) {
        (void)step;
        (void)name;
    }
    // Last event of a run.
    virtual void RunEnded(RunOutcome outcome) { (void)outcome; }

    // Asked when a step needs it, as the user's choice stands at that moment.
    virtual RuntimeChoice ChosenRuntime() { return RuntimeChoice::Default; }
};
