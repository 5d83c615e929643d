#include "ui/console_front_end.h"

#include "app/install_context.h"
#include "app/text_format.h"
#include "download/download_manager.h"
#include "install/finish_steps.h"
#include "install/install_engine.h"
#include "install/package_plan.h"
#include "platform/console.h"
#include "platform/shell_folders.h"
#include "platform/text_codec.h"
#include "service/common.h"
#include "ui/page_texts.h"
#include "ui/path_page_logic.h"

namespace {

// Messages of the sequence end in "\r\n" for the dialog's box; the console adds its own.
std::wstring WithoutLineEnd(std::wstring text) {
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

std::wstring RowText(const PackageRow& row) {
    return text::Format(L"  %-28s %10s kB %6s%% %9s kB/s %7s s  剩余 %s s", row[0], row[1], row[2],
                        row[3], row[4], row[5]);
}

std::wstring TotalsText(const ProgressTotals& totals) {
    return text::Format(L"  总进度 %.1f%%  文件总大小: %s  总用时: %s  剩余: %s",
                        totals.position / 100.0, totals.totalSize, totals.totalTime,
                        totals.remaining);
}

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd() : terminal_(platform::StdoutIsTerminal()) {}

ConsoleFrontEnd::~ConsoleFrontEnd() {
    progressTimer_.Stop();
    activityTimer_.Stop();
}

std::wstring ConsoleFrontEnd::UsageText() {
    return L"usage: installer ui=console[;key=value...]\n"
           L"Installs the application unattended. Running in console mode means accepting the\n"
           L"application's license agreement, as the silent modes of other installers do.\n"
           L"  comname=NAME        company (default from the installer's version resource)\n"
           L"  appid=ID            application (default from the installer's version resource)\n"
           L"  --ver=VERSION       version to ask the install service for\n"
           L"  server=HOST[,HOST]  install service servers (host or host:port), replacing the "
           L"built-in list\n"
           L"  installdir=DIR      install directory (default: the one the path page proposes)\n"
           L"  downloaddir=DIR     download directory (default: Documents/Vornel/setup/APPID)\n"
           L"  netver=2.0|4.0      .NET runtime generation (default: by the Windows version)\n"
           L"  keepdownloads=1     keep the downloaded packages\n"
           L"  proxy=HOST:PORT     proxy for every transfer (also socks5://HOST:PORT), or\n"
           L"  proxy=direct        none, whatever the system's proxy settings say\n"
           L"  help                this text\n"
           L"Words are separated by \";\". Exit codes: 0 installed, 1 initialization failed,\n"
           L"2 a directory check failed, 3 the package list could not be fetched, 4 some package "
           L"failed.\n";
}

bool ConsoleFrontEnd::WantsHelp(CInstallContext& context) {
    const std::wstring word = context.Params().count(L"") ? context.GetParam(L"") : L"";
    return word == L"help" || word == L"--help" || word == L"-h" || word == L"/?";
}

void ConsoleFrontEnd::Print(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(outputLock_);
    std::wstring out;
    if (terminal_ && drawnLines_ > 0)
        out = text::Format(L"\x1b[%dF\x1b[J", drawnLines_);
    drawnLines_ = 0;
    platform::WriteStdout(out + text + L"\n");
}

void ConsoleFrontEnd::ShowText(const std::wstring& text) {
    const std::wstring line = WithoutLineEnd(text);
    if (!line.empty())
        Print(line);
}

void ConsoleFrontEnd::ShowMessage(CInstallContext&, const std::wstring& text) {
    platform::WriteStderr(text + L"\n");
}

bool ConsoleFrontEnd::RunInitialization(CInstallContext& context) {
    Print(text::Format(L"%s 开始安装", context.GetParam(L"appid")));
    CInitSequence sequence(context, CDownloadManager::Instance(), *this);
    const bool ok = sequence.RunInitSequence() > 0;
    context.LogText(ok ? L"CInitDlg-OnOK" : L"取消安装-CInitDlg");
    if (!ok)
        exitCode_ = kExitInitializationFailed;
    return ok;
}

void ConsoleFrontEnd::RunWizard(CInstallContext& context) {
    // The path page: the given directories or the ones it would propose.
    std::wstring programsFolder;
    platform::GetSpecialFolderPath(platform::SpecialFolder::ProgramFiles, programsFolder, false);
    const auto params = context.Params();
    const auto given = [&](const wchar_t* key) {
        const auto it = params.find(key);
        return it == params.end() ? std::wstring() : it->second;
    };
    std::wstring installDir = given(L"installdir");
    if (installDir.empty())
        installDir = ProposeInstallDirectory(context, programsFolder);
    std::wstring downloadDir = given(L"downloaddir");
    if (downloadDir.empty())
        downloadDir = context.GetParam(L"DownloadPath");
    const DirectoryCheckResult check = CheckDirectories(context, installDir, downloadDir);
    if (!check.ok) {
        Print(check.message);
        exitCode_ = kExitDirectoryCheckFailed;
        return;
    }
    Print(L"安装目录: " + check.installDirectory);
    Print(L"下载目录: " + check.downloadDirectory);

    const std::wstring netver = given(L"netver");
    runtimeChoice_ = netver == L"2.0"   ? RuntimeChoice::Net20
                     : netver == L"4.0" ? RuntimeChoice::Net40
                                        : RuntimeChoice::Default;
    RunInstallation(context);
}

void ConsoleFrontEnd::RunInstallation(CInstallContext& context) {
    const int osCode = Ccommon::GetOsCode();
    const std::wstring requested = runtimeChoice_ == RuntimeChoice::Net20   ? L"2.0"
                                   : runtimeChoice_ == RuntimeChoice::Net40 ? L"4.0"
                                                                            : L"";
    InstallPlan plan;
    std::wstring error;
    if (!PreparePlan(context, requested, osCode, plan, error)) {
        Print(error.empty() ? L"读取安装包列表失败" : error);
        exitCode_ = kExitPlanUnavailable;
        return;
    }

    CDownloadManager& downloads = CDownloadManager::Instance();
    {
        InstallEngine engine(context, downloads, *this, plan,
                             ChosenVersionCaption(runtimeChoice_, osCode));
        engine_ = &engine;
        engine.StartInstall();
        engine.Wait();
        progressTimer_.Stop();
        activityTimer_.Stop();

        const FinishTexts finish = RunFinishSteps(context, engine.FailedFiles());
        Print(finish.body);
        Print(WithoutLineEnd(finish.tip));
        const auto params = context.Params();
        const auto keep = params.find(L"keepdownloads");
        DeleteDownloadedPackages(engine.DownloadedPackages(),
                                 keep == params.end() || keep->second != L"1");
        if (!engine.FailedFiles().empty())
            exitCode_ = kExitPackageFailed;
        engine_ = nullptr;
    }
    Print(text::Format(L"%s: %s",
                       exitCode_ == kExitInstalled ? L"已安装到" : L"安装未完成，安装目录",
                       context.GetParam(L"SetupFullPath")));
}

void ConsoleFrontEnd::LogLineAdded(const std::wstring& line) {
    if (line != L"…")
        Print(line);
}

void ConsoleFrontEnd::PrintStatus(const std::wstring& text) {
    if (text == lastStatus_)
        return;
    lastStatus_ = text;
    Print(text);
}

// The timers run on threads of their own; the worker stops them from its thread, and a
// tick in progress is waited for.
void ConsoleFrontEnd::StepBegun(InstallStep step, const std::wstring& name) {
    switch (step) {
        case InstallStep::Download:
            progressTimer_.Start(150, [this] { Tick(); });
            break;
        case InstallStep::Extraction:
            activityTimer_.Start(333, [this] {
                if (engine_ != nullptr)
                    engine_->AnimateLog();
            });
            break;
        case InstallStep::Setup:
            PrintStatus(SetupStatusText(name, false));
            break;
        case InstallStep::Configuration:
            progressTimer_.Stop();
            activityTimer_.Stop();
            break;
        case InstallStep::Registration:
            break;
    }
}

void ConsoleFrontEnd::StepEnded(InstallStep step, const std::wstring& name) {
    if (step == InstallStep::Extraction)
        activityTimer_.Stop();
    if (step == InstallStep::Setup)
        PrintStatus(SetupStatusText(name, true));
}

void ConsoleFrontEnd::Tick() {
    if (engine_ == nullptr)
        return;
    engine_->TickProgress(totals_);
    DrawProgress(engine_->Journal().Packages(), totals_);
}

void ConsoleFrontEnd::DrawProgress(const std::vector<PackageRow>& rows,
                                   const ProgressTotals& totals) {
    std::lock_guard<std::mutex> guard(outputLock_);
    std::wstring out;
    if (terminal_) {
        // Redrawn in place below the log lines.
        if (drawnLines_ > 0)
            out = text::Format(L"\x1b[%dF\x1b[J", drawnLines_);
        for (const auto& row : rows)
            out += RowText(row) + L"\n";
        out += TotalsText(totals) + L"\n";
        drawnLines_ = static_cast<int>(rows.size()) + 1;
    } else {
        // A log file or pipe gets a plain progress line every few seconds.
        if (++ticksSincePrint_ < 20)
            return;
        ticksSincePrint_ = 0;
        out = TotalsText(totals) + L"\n";
    }
    platform::WriteStdout(out);
}
