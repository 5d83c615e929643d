#include "install/install_engine.h"

#include <algorithm>
#include <cwchar>

#include "app/path_ops.h"
#include "app/text_format.h"
#include "download/file_digest.h"
#include "download/url_credentials.h"
#include "install/extract_packages.h"
#include "install/runtime_config_patcher.h"
#include "install/setup_runner.h"
#include "install/size_arithmetic.h"
#include "install/uninstall_registration.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "service/common.h"

namespace {

// The part of a host name before its first ".", as the log lines show servers.
std::wstring ShortHostName(const std::wstring& host) {
    const size_t dot = host.find(L'.');
    return dot == std::wstring::npos ? std::wstring() : host.substr(0, dot);
}

}  // namespace

InstallEngine::InstallEngine(CInstallContext& context, CDownloadManager& downloads,
                             IInstallEvents& events, InstallPlan plan, std::wstring versionCaption)
    : context_(context),
      downloads_(downloads),
      journal_(events),
      plan_(std::move(plan)),
      versionCaption_(std::move(versionCaption)) {}

InstallEngine::~InstallEngine() {
    Wait();
}

void InstallEngine::Wait() {
    if (worker_.joinable())
        worker_.join();
}

std::vector<std::wstring> InstallEngine::DownloadedPackages() const {
    std::lock_guard<std::mutex> guard(failedLock_);
    return downloaded_;
}

std::vector<std::wstring> InstallEngine::FailedFiles() const {
    std::lock_guard<std::mutex> guard(failedLock_);
    return failedFiles_;
}

void InstallEngine::AddFailed(const std::wstring& fileName) {
    std::lock_guard<std::mutex> guard(failedLock_);
    if (std::find(failedFiles_.begin(), failedFiles_.end(), fileName) == failedFiles_.end())
        failedFiles_.push_back(fileName);
}

// The service's answers may have been changed on the way: a record whose file name or
// directory leads outside the download or install directory is refused whole, so that
// no step (download, extraction, setup, uninstall directory) acts on it.
void InstallEngine::RefuseUnconfinedEntries() {
    InstallPlan confined;
    for (const PackageEntry& entry : plan_) {
        const std::wstring fileName = FieldOf(entry, L"filename");
        const std::wstring rarPath = FieldOf(entry, L"rarpath");
        // A digest that cannot be one would leave the package unchecked.
        const std::wstring digest = FieldOf(entry, L"sha256");
        std::string ignored;
        if (!digest.empty() && !NormalizeSha256(digest, ignored)) {
            context_.Log(L"拒绝安装包“%s”：校验值“%s”不是SHA-256", fileName, digest);
            AddFailed(fileName);
            continue;
        }
        if (IsConfinedServicePath(fileName) && IsConfinedServicePath(rarPath)) {
            confined.push_back(entry);
            continue;
        }
        context_.Log(L"拒绝安装包“%s”：路径“%s”超出安装或下载目录", fileName,
                     IsConfinedServicePath(fileName) ? rarPath : fileName);
        AddFailed(fileName);
    }
    plan_ = std::move(confined);
}

void InstallEngine::StartInstall() {
    journal_.Log(L"准备下载文件:" + versionCaption_);
    RefuseUnconfinedEntries();
    std::vector<PackageRow> packages;
    const std::wstring setupDir = context_.GetParam(L"SetupFullPath");
    const std::wstring downloadDir = context_.GetParam(L"DownloadPath");
    // The path page checks the download directory's drive but does not create it; a
    // directory the user typed in must exist before the packages are stored there.
    if (!downloadDir.empty() && !EnsureDirectory(JoinPath(downloadDir, L"")))
        context_.Log(L"创建目录失败：%s", downloadDir);
    for (const PackageEntry& entry : plan_) {
        const std::wstring fileName = FieldOf(entry, L"filename");
        const std::wstring dir = JoinPath(setupDir, FieldOf(entry, L"rarpath"));
        const std::wstring keepExisting = FieldOf(entry, L"haveexistsdown");
        if ((keepExisting == L"N" || keepExisting == L"n") && PathExists(dir)) {
            journal_.Log(text::Format(L"检测到目录“%s”已存在，文件“%s”不覆盖安装", dir, fileName));
            continue;
        }
        CDownloadTask& task = downloads_.Task(fileName);
        if (!task.name.empty())
            continue;  // an earlier entry of the same name set it up
        PackageRow package;
        package[0] = fileName;

        const std::wstring local = JoinPath(downloadDir, fileName);
        task.targetPath = text::WideToSystem(local);
        task.name = text::WideToSystem(fileName);
        NormalizeSha256(FieldOf(entry, L"sha256"), task.sha256);
        if (PathExists(local)) {
            task.present = true;
            task.size = KiBTextToBytes(FieldOf(entry, L"filesize"));
        } else {
            AddMirrors(task, entry);
        }
        package[1] = text::Format(L"%I64d", task.size / 1024);
        packages.push_back(package);
        packageNames_.push_back(fileName);
    }
    journal_.ShowPlan(std::move(packages));
    worker_ = std::thread([this] { InstallThreadProc(); });
}

void InstallEngine::AddMirrors(CDownloadTask& task, const PackageEntry& entry) {
    const std::wstring fileName = FieldOf(entry, L"filename");
    std::wstring requested = FieldOf(entry, L"downfilename");
    if (requested.empty())
        requested = fileName;
    for (size_t i = 0; i < downloads_.serverHosts.size(); ++i) {
        const std::wstring host = downloads_.serverHosts[i];
        const std::wstring shortName = ShortHostName(host);
        ServiceRecord account;
        std::wstring resultText;
        if (!context_.GetFtp(host, fileName, account, resultText)) {
            journal_.Log(L"取FTP信息失败");
            continue;
        }
        const std::wstring user = EncodeUrlCredential(FieldOf(account, L"username"));
        const std::wstring password = EncodeUrlCredential(FieldOf(account, L"password"));
        if (downloads_.serverFtp[i] == L"Y") {
            const std::wstring url =
                text::Format(L"ftp://%s:%s@%s/%s", user, password, host, requested);
            if (downloads_.AddMirror(task, text::WideToSystem(url), true)) {
                journal_.Log(text::Format(L"准备从FTP服务器%s下载文件%s...", shortName, fileName));
            } else {
                downloads_.serverFtp[i] = L"N";
                journal_.Log(text::Format(L"从ftp服务器%s下载文件%s  失败!!!  去除此ftp服务器下载",
                                          shortName, fileName));
            }
        }
        if (downloads_.serverHttp[i] == L"Y") {
            const std::wstring url = text::Format(L"http://%s%s?username=%s&password=%s", host,
                                                  requested, user, password);
            if (downloads_.AddMirror(task, text::WideToSystem(url), false)) {
                journal_.Log(text::Format(L"准备从HTTP服务器%s下载文件%s...", shortName, fileName));
            } else {
                downloads_.serverHttp[i] = L"N";
                journal_.Log(
                    text::Format(L"从HTTP服务器%s下载文件%s  失败!!!  去除此http服务器下载",
                                 shortName, fileName));
            }
        }
    }
}

void InstallEngine::InstallThreadProc() {
    InstallStepContext step{context_, plan_, journal_};
    ProtectExistingFiles(step, heldFiles_);
    // Before the progress tick reads the tasks: this may turn a present file into a download.
    VerifyPresentPackages();
    journal_.BeginStep(InstallStep::Download);
    DownloadAll();
    journal_.EndStep(InstallStep::Download);
    // Packages of skipped entries are missing on purpose: only packages of the run count.
    const auto addFailedOfRun = [&](const std::vector<std::wstring>& names) {
        for (const auto& name : names) {
            if (std::find(packageNames_.begin(), packageNames_.end(), name) != packageNames_.end())
                AddFailed(name);
        }
    };
    addFailedOfRun(ExtractPackages(step, heldFiles_));
    addFailedOfRun(RunSetupPrograms(step));
    platform::SleepMilliseconds(settleMilliseconds);
    journal_.BeginStep(InstallStep::Configuration);
    ReleaseProtectedFiles(step, heldFiles_);
    if (Ccommon::IsNet40Installed() || journal_.ChosenRuntime() == RuntimeChoice::Net40)
        PatchRuntimeConfigs(step);
    journal_.EndStep(InstallStep::Configuration);
    WriteInstallSummary(journal_, context_.logPath);
    journal_.BeginStep(InstallStep::Registration);
    RegisterInstallation(step);
    journal_.EndStep(InstallStep::Registration);
    journal_.EndRun(FailedFiles().empty() ? RunOutcome::Installed : RunOutcome::PackagesFailed);
}

// A file already in the download directory is taken on its name alone only when the service
// states no digest; otherwise it must have that digest, or it is downloaded again (and the
// new copy takes its place only once it has the digest).
void InstallEngine::VerifyPresentPackages() {
    for (size_t index = 0; index < packageNames_.size(); ++index) {
        const std::wstring& key = packageNames_[index];
        CDownloadTask& task = downloads_.Task(key);
        if (!task.present || task.sha256.empty())
            continue;
        const std::wstring target = text::SystemToWide(task.targetPath);
        std::string actual;
        if (FileSha256(target, actual) && actual == task.sha256)
            continue;
        journal_.Log(text::Format(L"文件 %s 与校验值不符，重新下载", target));
        task.present = false;
        task.size = 0;
        const auto entry = std::find_if(plan_.begin(), plan_.end(), [&](const PackageEntry& e) {
            return FieldOf(e, L"filename") == key;
        });
        if (entry != plan_.end())
            AddMirrors(task, *entry);
        PackageRow package = journal_.Packages()[index];
        package[1] = text::Format(L"%I64d", task.size / 1024);
        journal_.UpdatePackage(static_cast<int>(index), package);
    }
}

void InstallEngine::DownloadAll() {
    for (const std::wstring& key : packageNames_) {
        CDownloadTask& task = downloads_.Task(key);
        const std::wstring target = text::SystemToWide(task.targetPath);
        task.onResumed = [this, &task](int64_t bytes) {
            journal_.Log(
                text::Format(L"已下载 %d%%，继续下载", static_cast<int>(bytes * 100 / task.size)));
        };
        if (task.present) {
            journal_.Log(text::Format(L"文件 %s 已存在，不下载", target));
        } else if (task.Run()) {
            {
                std::lock_guard<std::mutex> guard(failedLock_);
                downloaded_.push_back(target);
            }
            ServiceRecord answer;
            std::wstring resultText;
            context_.FtpOk(key, answer, resultText);
            journal_.Log(text::Format(L"文件 %s 下载完成", target));
        } else {
            AddFailed(key);
            journal_.Log(text::Format(L"文件 %s 下载失败", target));
        }
    }
}

void InstallEngine::TickProgress(ProgressTotals& totals) {
    std::vector<TaskSnapshot> snapshots;
    for (auto& [key, task] : downloads_.tasks) {
        if (task.present) {
            snapshots.push_back({key, task.size, true, 0, 0});
            continue;
        }
        const int64_t done = task.GetDoneBytes();
        snapshots.push_back({key, task.size, false, done, task.GetPreviousDoneBytes()});
    }
    const std::vector<PackageRow> before = journal_.Packages();
    std::vector<PackageRow> packages = before;
    ApplyProgressTick(snapshots, packages, totals);
    for (size_t index = 0; index < packages.size(); ++index) {
        if (packages[index] != before[index])
            journal_.UpdatePackage(static_cast<int>(index), packages[index]);
    }
}

void InstallEngine::AnimateLog() {
    journal_.AnimateLastLine();
}

void InstallEngine::Log(const std::wstring& line) {
    journal_.Log(line);
}
