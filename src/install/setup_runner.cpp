#include "install/setup_runner.h"

#include "app/text_format.h"
#include "install/download_prefix.h"
#include "platform/clock.h"

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
            step.frontEnd.AddLogLine(text::Format(L"执行安装 %s 失败", command.commandLine));
            notStarted.push_back(fileName);
            continue;
        }
        step.frontEnd.AddLogLine(text::Format(L"执行安装 %s", command.commandLine));
        started.push_back(std::move(record));
    }
}

// The wait dialog comes from the front-end's own thread; one that never appears is given
// up after a bounded time, and the program is waited for without it.
void OpenWaitDialog(InstallStepContext& step, const SetupRunnerOptions& options) {
    step.frontEnd.StartWaitDialog();
    for (unsigned polls = 0; polls < options.dialogPollLimit; ++polls) {
        platform::SleepMilliseconds(options.dialogPollMilliseconds);
        if (step.frontEnd.WaitDialogReady()) {
            step.frontEnd.ShowWaitDialog();
            return;
        }
    }
    step.context.LogText(L"Setup\tThe wait dialog did not appear; waiting without it");
}

}  // namespace

std::vector<std::wstring> RunSetupPrograms(InstallStepContext& step,
                                           const SetupRunnerOptions& options) {
    std::vector<SetupProcessRecord> started;
    std::vector<std::wstring> notStarted;
    StartAll(step, started, notStarted);
    for (const auto& record : started)
        platform::RaiseProcessWindows(record.process.Id());

    for (auto& record : started) {
        OpenWaitDialog(step, options);
        const std::wstring waiting = text::Format(L"%s 正在后台安装，请稍候...", record.fileName);
        for (;;) {
            step.frontEnd.ShowStatusLine(true);
            step.frontEnd.SetStatusText(waiting);
            if (record.process.Wait(kWaitSliceMilliseconds) != platform::WaitResult::TimedOut)
                break;
        }
        const std::wstring done = text::Format(L"%s 后台安装完毕", record.fileName);
        step.frontEnd.AddLogLine(done);
        step.frontEnd.SetStatusText(done);
        record.process.Close();
        step.frontEnd.EndWaitDialog();
    }
    return notStarted;
}
