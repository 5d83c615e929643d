#include "download/download_manager.h"

#include <curl/curl.h>

#include "app/install_log.h"
#include "app/path_ops.h"
#include "platform/file_system.h"

CDownloadManager& CDownloadManager::Instance() {
    static CDownloadManager manager;
    return manager;
}

CDownloadManager::CDownloadManager() {
    curl_global_init(CURL_GLOBAL_ALL);
    std::wstring dir = platform::GetTempDirectory();
    while (!dir.empty() && IsPathSeparator(dir.back()))
        dir.pop_back();
    logPath = dir + kPathSeparator + L"Install.log";
}

CDownloadManager::~CDownloadManager() {
    tasks.clear();
    curl_global_cleanup();
}

void CDownloadManager::LogText(std::wstring_view message) const {
    // The shared writer masks "password=" values: HTTP mirror URLs carry the password in
    // their query.
    install_log::AppendLine(logPath, message);
}

bool CDownloadManager::AddMirror(CDownloadTask& task, const std::string& url, bool isFtp) {
    const int64_t size = ProbeFileSize(url, isFtp);
    if (size <= 0)
        return false;
    if (task.size == 0)
        task.size = size;
    else if (size != task.size)
        return false;
    task.mirrors.push_back(url);
    return true;
}
