#pragma once
// The download manager: libcurl's global state, the download servers handed out by the
// install service, the download task of every package file, the proxy router their
// transfers go through and the "Download\t..." lines of the install log.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/text_format.h"
#include "download/download_task.h"

class ProxyRouter;

class CDownloadManager {
  public:
    // The one manager of the process, on the process's router, created on first use
    // (before any download thread). For the top of the program and tests; everything
    // else is handed its manager.
    static CDownloadManager& Instance();

    // The router must outlive the manager.
    explicit CDownloadManager(ProxyRouter& router);
    ~CDownloadManager();
    CDownloadManager(const CDownloadManager&) = delete;
    CDownloadManager& operator=(const CDownloadManager&) = delete;

    template <class... Args>
    void Log(std::wstring_view format, const Args&... args) {
        LogText(text::Format(format, args...));
    }
    // Appends one line verbatim to logPath.
    void LogText(std::wstring_view message) const;

    // Probes url and accepts it as a mirror of task when it reports the task's size (or,
    // for the first mirror, any size above 0). isFtp selects the status codes that count
    // as a good probe.
    bool AddMirror(CDownloadTask& task, const std::string& url, bool isFtp);

    // The task of a package file name; a new name gets an empty task bound to this
    // manager and its router.
    CDownloadTask& Task(const std::wstring& name);

    ProxyRouter& router;
    // Download task per package file name (made by Task).
    std::map<std::wstring, CDownloadTask> tasks;
    // Parallel lists, one entry per download server: host (or host:port), and "Y"/"N"
    // for whether it may still be used for HTTP and for FTP downloads.
    std::vector<std::wstring> serverHosts;
    std::vector<std::wstring> serverHttp;
    std::vector<std::wstring> serverFtp;
    // The temporary directory + "Install.log": normally the same file as the install log.
    std::wstring logPath;
};

// Fetches url into localPath in one stream (3 second limit in all), through the manager's
// router and logging to its log. The local file is created or truncated first and stays
// as written when the transfer fails.
bool DownloadFile(CDownloadManager& manager, const std::string& url, const std::string& localPath);
bool DownloadFile(CDownloadManager& manager, const std::wstring& url,
                  const std::wstring& localPath);

// The size of the remote file by a header-only request; 0 when unknown or failed.
int64_t ProbeFileSize(CDownloadManager& manager, const std::string& url, bool isFtp);
// The same, with what identifies the remote file's version: "etag ..." or "mtime <seconds>"
// (Last-Modified, or the FTP modification time); empty when the server gives neither.
int64_t ProbeFileSize(CDownloadManager& manager, const std::string& url, bool isFtp,
                      std::string& validator);
