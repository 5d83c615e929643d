#include "download/download_manager.h"

#include <curl/curl.h>

#include "app/install_log.h"
#include "app/path_ops.h"
#include "download/proxy_router.h"
#include "download/url_credentials.h"
#include "platform/disk_space.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace {

// Free bytes of the volume that holds the file `path` (narrow, system code page).
bool FreeBytesBeside(const std::string& path, uint64_t& freeBytes) {
    std::wstring root;
    return platform::GetVolumeRoot(text::SystemToWide(path), root) &&
           platform::GetFreeDiskBytes(root, freeBytes);
}

}  // namespace

CDownloadManager& CDownloadManager::Instance() {
    static CDownloadManager manager(ProxyRouter::Instance());
    return manager;
}

CDownloadManager::CDownloadManager(ProxyRouter& router)
    : router(router), logPath(install_log::DefaultPath()) {
    curl_global_init(CURL_GLOBAL_ALL);
}

CDownloadTask& CDownloadManager::Task(const std::wstring& name) {
    return tasks.try_emplace(name, *this, router).first->second;
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
    std::string validator;
    const int64_t size = ProbeFileSize(*this, url, isFtp, validator);
    if (size <= 0)
        return false;
    if (task.size == 0) {
        // A mirror's claim is believed only as far as the download drive could hold it:
        // the file is made at its full size before the first block arrives.
        uint64_t freeBytes = 0;
        if (FreeBytesBeside(task.targetPath, freeBytes) &&
            static_cast<uint64_t>(size) > freeBytes) {
            Log(L"Download\t文件%s，大小%I64d超过下载目录的剩余空间%I64d，不用此服务器",
                SplitUrlCredentials(url).url, size, static_cast<int64_t>(freeBytes));
            return false;
        }
        task.size = size;
    } else if (size != task.size) {
        return false;
    }
    task.mirrors.push_back(url);
    task.validators.push_back(validator);
    return true;
}
