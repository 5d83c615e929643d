#pragma once
// A front-end that records what the install engine and its steps tell the user, in order,
// for the tests of the installation steps and the engine.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "install/install_front_end.h"

class RecordingFrontEnd : public IInstallFrontEnd {
  public:
    std::vector<std::wstring> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::vector<std::wstring> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // Called with each new log line (from the thread that adds it).
    std::function<void(const std::wstring&)> onLine;
    // How many polls the wait dialog needs before it exists; -1: it never appears.
    int dialogReadyAfterPolls = 0;
    // The runtime generation the radio buttons show.
    RuntimeChoice choice = RuntimeChoice::Default;

    void ClearLines() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

    void AddLogLine(const std::wstring& line) override {
        Record(L"log:" + line);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        }
        if (onLine)
            onLine(line);
    }
    void ReplaceLastLogLine(const std::wstring& line) override {
        Record(L"replace:" + line);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!lines_.empty())
            lines_.back() = line;
    }
    void ClearRows() override { Record(L"clear-rows"); }
    void InsertRow(int row, const std::wstring& name) override {
        Record(L"row:" + std::to_wstring(row) + L":" + name);
    }
    void SetCell(int, int, const std::wstring&) override {}
    void StartTimer(int id, unsigned period) override {
        Record(L"start-timer:" + std::to_wstring(id) + L":" + std::to_wstring(period));
    }
    void StopTimer(int id) override { Record(L"stop-timer:" + std::to_wstring(id)); }
    void ShowStatusLine(bool visible) override {
        Record(visible ? L"status-shown" : L"status-hidden");
    }
    void SetStatusText(const std::wstring& text) override { Record(L"status:" + text); }
    void StartWaitDialog() override {
        polls_ = 0;
        Record(L"dialog-start");
    }
    bool WaitDialogReady() override {
        ++polls_;
        return dialogReadyAfterPolls >= 0 && polls_ > dialogReadyAfterPolls;
    }
    void ShowWaitDialog() override { Record(L"dialog-show"); }
    void EndWaitDialog() override { Record(L"dialog-end"); }
    RuntimeChoice GetRuntimeChoice() override { return choice; }
    void SetWizardButtons(int value) override { Record(L"buttons:" + std::to_wstring(value)); }
    void GoToNextPage() override { Record(L"next-page"); }

  private:
    void Record(const std::wstring& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_;
    std::vector<std::wstring> events_;
    int polls_ = 0;
};
