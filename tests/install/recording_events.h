#pragma once
// Records what the install engine and its steps report, in order, as short texts
// ("log:…", "begin:setup:a.exe", "end:run:installed"), for the tests of the steps and of
// the engine.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "install/install_events.h"
#include "install/run_journal.h"

class RecordingEvents : public IInstallEvents {
  public:
    std::vector<std::wstring> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<std::wstring> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    void ClearLines() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }
    // Called with each new log line (from the thread that adds it).
    std::function<void(const std::wstring&)> onLine;
    // The runtime generation the user has chosen.
    RuntimeChoice choice = RuntimeChoice::Default;

    static std::wstring StepName(InstallStep step) {
        switch (step) {
            case InstallStep::Download:
                return L"download";
            case InstallStep::Extraction:
                return L"extraction";
            case InstallStep::Setup:
                return L"setup";
            case InstallStep::Configuration:
                return L"configuration";
            case InstallStep::Registration:
                return L"registration";
        }
        return L"?";
    }

    void PlanShown(const std::vector<PackageRow>& packages) override {
        std::wstring names;
        for (const auto& package : packages)
            names += (names.empty() ? L"" : L",") + package[0] + L"=" + package[1];
        Record(L"plan:" + names);
    }
    void PackageChanged(int index, const PackageRow& package) override {
        Record(L"package:" + std::to_wstring(index) + L":" + package[0]);
    }
    void LogLineAdded(const std::wstring& line) override {
        Record(L"log:" + line);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        }
        if (onLine)
            onLine(line);
    }
    void LastLogLineReplaced(const std::wstring& line) override {
        Record(L"replace:" + line);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!lines_.empty())
            lines_.back() = line;
    }
    void StepBegun(InstallStep step, const std::wstring& name) override {
        Record(L"begin:" + StepName(step) + (name.empty() ? L"" : L":" + name));
    }
    void StepEnded(InstallStep step, const std::wstring& name) override {
        Record(L"end:" + StepName(step) + (name.empty() ? L"" : L":" + name));
    }
    void RunEnded(RunOutcome outcome) override {
        Record(outcome == RunOutcome::Installed ? L"end:run:installed" : L"end:run:failed");
    }
    RuntimeChoice ChosenRuntime() override { return choice; }

  private:
    void Record(const std::wstring& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
    std::vector<std::wstring> events_;
};
