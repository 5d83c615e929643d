#include "install/setup_runner.h"

#include "app/text_format.h"
#include "install/download_prefix.h"

namespace {

constexpr unsigned kWaitSliceMilliseconds = 1000;

void StartAll(InstallStepContext& step, std::vector<SetupProcessRecord>& started,
              std::vector<std::wstring>& notStarted) {
    const std::wstring prefix = DownloadPrefix(step.context.GetParam(L"DownloadPath"));
    const std::wstring setupPath = step.context.GetParam(L"SetupFullPath");
    const InstallPlan plan = step.plan;
    for (const auto& entry : plan) {
        const std::wstring fileName = FieldOf(entry, L"filename");
        const std::wstring program = prefix + fileName;
        if (program.find(L".msi") == std::wstring::npos &&
            program.find(L".exe") == std::wstring::npos)
            continue;
        const std::wstring parameters = FieldOf(entry, L"setupparam");
        platform::ProcessCommand command;
        command.commandLine = BuildSetupCommandLine(program, parameters);
        command.program = program;
        command.arguments = SplitWindowsCommandLine(parameters);
        SetupProcessRecord record;
        record.fileName = fileName;
        platform::MakeProgramRunnable(program);
        if (!record.process.Start(command, setupPath)) {
            step.journal.Log(text::Format(L"执行安装 %s 失败", command.commandLine));
            notStarted.push_back(fileName);
            continue;
        }
        step.journal.Log(text::Format(L"执行安装 %s", command.commandLine));
        started.push_back(std::move(record));
    }
}

}  // namespace

std::vector<std::wstring> RunSetupPrograms(InstallStepContext& step) {
    std::vector<SetupProcessRecord> started;
    std::vector<std::wstring> notStarted;
    StartAll(step, started, notStarted);
    for (const auto& record : started)
        platform::RaiseProcessWindows(record.process.Id());

    for (auto& record : started) {
        step.journal.BeginStep(InstallStep::Setup, record.fileName);
        while (record.process.Wait(kWaitSliceMilliseconds) == platform::WaitResult::TimedOut)
            continue;
        step.journal.Log(text::Format(L"%s 后台安装完毕", record.fileName));
        record.process.Close();
        step.journal.EndStep(InstallStep::Setup, record.fileName);
    }
    return notStarted;
}
