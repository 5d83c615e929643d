#include "install/run_journal.h"

#include "app/install_log.h"
#include "app/text_format.h"

const std::array<const wchar_t*, kPackageFieldCount> kPackageFieldCaptions = {
    L"文件名", L"大小[kB]", L"进度[%]", L"速度[kB/s]", L"用时[s]", L"剩余[s]", L"版本号"};

void RunJournal::Log(const std::wstring& line) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        logLines_.push_back(line);
    }
    events_.LogLineAdded(line);
}

void RunJournal::AnimateLastLine() {
    std::wstring last;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (logLines_.empty())
            return;
        if (logLines_.back().size() < 50) {
            logLines_.back() += L"…";
            last = logLines_.back();
        }
    }
    if (last.empty())
        Log(L"…");
    else
        events_.LastLogLineReplaced(last);
}

void RunJournal::ShowPlan(std::vector<PackageRow> packages) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        packages_ = packages;
    }
    events_.PlanShown(packages);
}

void RunJournal::UpdatePackage(int index, const PackageRow& package) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (index < 0 || index >= static_cast<int>(packages_.size()))
            return;
        packages_[index] = package;
    }
    events_.PackageChanged(index, package);
}

void RunJournal::BeginStep(InstallStep step, const std::wstring& name) {
    events_.StepBegun(step, name);
}

void RunJournal::EndStep(InstallStep step, const std::wstring& name) {
    events_.StepEnded(step, name);
}

void RunJournal::EndRun(RunOutcome outcome) {
    events_.RunEnded(outcome);
}

RuntimeChoice RunJournal::ChosenRuntime() {
    return events_.ChosenRuntime();
}

std::vector<PackageRow> RunJournal::Packages() const {
    std::lock_guard<std::mutex> guard(lock_);
    return packages_;
}

std::vector<std::wstring> RunJournal::LogLines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return logLines_;
}

void WriteInstallSummary(const RunJournal& journal, const std::wstring& logPath) {
    static constexpr const wchar_t* kSeparator =
        L"--下载&安装日志---------------------------------------\n";
    std::wstring block = L"\n";
    block += kSeparator;
    std::wstring table;
    for (const wchar_t* caption : kPackageFieldCaptions)
        table += std::wstring(caption) + L"\t";
    table += L"\n";
    for (const auto& package : journal.Packages()) {
        for (const auto& field : package)
            table += field + L"\t";
        table += L"\n";
    }
    block += table + L"\n";
    int number = 1;
    for (const auto& line : journal.LogLines())
        block += text::Format(L"[%03d]%s\n", number++, line);
    block += kSeparator;
    block += L"\n";
    install_log::AppendText(logPath, block);
}
