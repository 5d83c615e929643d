#include "app/install_context.h"

#include <cstdlib>
#include <ctime>

#include "app/install_log.h"
#include "app/path_ops.h"
#include "installer_build_config.h"
#include "platform/file_system.h"

CInstallContext& CInstallContext::Instance() {
    static CInstallContext context;
    return context;
}

CInstallContext::CInstallContext() : CInstallContext(DefaultServers(), DefaultLogPath()) {}

CInstallContext::CInstallContext(std::vector<std::wstring> servers, std::wstring logFile)
    : logPath(std::move(logFile)), serverList(std::move(servers)) {
    params_[L"comname"] = L"Vornel";
    params_[L"appid"] = L"qz";
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void CInstallContext::SetParam(const std::wstring& key, const std::wstring& value) {
    std::lock_guard<std::mutex> guard(paramsLock_);
    params_[key] = value;
}

std::wstring CInstallContext::GetParam(const std::wstring& key) {
    std::lock_guard<std::mutex> guard(paramsLock_);
    return params_[key];
}

ServiceRecord CInstallContext::Params() const {
    std::lock_guard<std::mutex> guard(paramsLock_);
    return params_;
}

void CInstallContext::LogText(std::wstring_view message) const {
    install_log::AppendLine(logPath, message);
}

std::vector<std::wstring> CInstallContext::DefaultServers() {
    // The build option lists the entries separated by ";".
    std::vector<std::wstring> servers;
    const std::wstring all = INSTALLER_DEFAULT_SERVERS;
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = all.find(L';', start);
        const std::wstring entry = all.substr(start, end == std::wstring::npos ? end : end - start);
        if (!entry.empty())
            servers.push_back(entry);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return servers;
}

std::wstring CInstallContext::DefaultLogPath() {
    std::wstring dir = platform::GetTempDirectory();
    if (dir.size() > 259)
        dir.clear();
    if (!dir.empty()) {
        if (IsPathSeparator(dir.back()))
            dir.pop_back();
        dir += kPathSeparator;
        if (EnsureDirectory(dir))
            return dir + L"Install.log";
    }
    // No usable temporary directory: a "Log" directory beside the installer.
    dir = GetModuleDir() + kPathSeparator + L"Log" + kPathSeparator;
    EnsureDirectory(dir);
    return dir + L"Install.log";
}
