// One request per call: a whole small file in one stream, or a header-only size probe.
#include <curl/curl.h>

#include <string_view>

#include "download/curl_easy.h"
#include "download/download_manager.h"
#include "download/header_line.h"
#include "download/proxy_router.h"
#include "download/url_credentials.h"
#include "platform/file.h"
#include "platform/text_codec.h"

namespace {

constexpr long kSingleTransferTimeoutMs = 3000;

size_t WriteToFile(char* data, size_t size, size_t count, void* userData) {
    auto* file = static_cast<platform::File*>(userData);
    const size_t bytes = size * count;
    return file->Write(data, bytes) ? bytes : 0;
}

// Header-only requests still pass the header lines to the write function; they are not
// wanted anywhere.
size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// Keeps the ETag of a probe's answer (of its last answer, after interim ones).
size_t KeepEtag(char* bytes, size_t size, size_t count, void* userData) {
    auto* etag = static_cast<std::string*>(userData);
    const size_t n = size * count;
    const std::string_view line(bytes, n);
    if (StartsWithNoCase(line, "http/"))
        etag->clear();
    else if (StartsWithNoCase(line, "etag:"))
        *etag = TrimmedHeaderValue(line, 5);
    return n;
}

}  // namespace

bool DownloadFile(CDownloadManager& manager, const std::string& url, const std::string& localPath) {
    const UrlCredentials parts = SplitUrlCredentials(url);
    CurlEasy curl;
    if (!curl)
        return false;
    platform::File file;
    if (!file.Open(text::SystemToWide(localPath), platform::File::Mode::Write)) {
        manager.Log(L"Download\t写文件%s失败", localPath);
        return false;
    }
    curl_easy_setopt(curl.get(), CURLOPT_URL, parts.url.c_str());
    // Apart, so that a ":" in the user name cannot move into the password.
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, parts.user.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, parts.password.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &file);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, kSingleTransferTimeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    const CURLcode result = manager.router.Perform(curl.get(), parts.url);
    file.Close();
    long code = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code);
    // A redirect is not followed: its page is not the file.
    const bool redirected = code >= 300 && code <= 399 && parts.url.rfind("http", 0) == 0;
    if (result == CURLE_OK && !redirected)
        return true;
    manager.Log(L"Download\t下载文件%s失败，错误码CURLcode(%d)", parts.url,
                static_cast<int>(result));
    return false;
}

bool DownloadFile(CDownloadManager& manager, const std::wstring& url,
                  const std::wstring& localPath) {
    return DownloadFile(manager, text::WideToSystem(url), text::WideToSystem(localPath));
}

int64_t ProbeFileSize(CDownloadManager& manager, const std::string& url, bool isFtp) {
    std::string validator;
    return ProbeFileSize(manager, url, isFtp, validator);
}

int64_t ProbeFileSize(CDownloadManager& manager, const std::string& url, bool isFtp,
                      std::string& validator) {
    validator.clear();
    const UrlCredentials parts = SplitUrlCredentials(url);
    CurlEasy curl;
    if (!curl)
        return 0;
    curl_easy_setopt(curl.get(), CURLOPT_URL, parts.url.c_str());
    // Apart, so that a ":" in the user name cannot move into the password.
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, parts.user.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, parts.password.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HEADER, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, kSingleTransferTimeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Discard);
    // What tells a later run whether the file is still the same: the HTTP answer's ETag or
    // Last-Modified, the FTP server's MDTM.
    std::string etag;
    curl_easy_setopt(curl.get(), CURLOPT_FILETIME, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, &KeepEtag);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &etag);
    const CURLcode result = manager.router.Perform(curl.get(), parts.url);

    curl_off_t size = 0;
    if (result == CURLE_OK) {
        long code = 0;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code);
        // FTP servers answer a size query without a final status worth judging; only
        // errors (400 and up) count against them. Redirects are not followed, so a 3xx
        // answer's length is that of its own page, not of the file.
        const bool good = isFtp ? code < 400 : (code >= 200 && code <= 299);
        if (good) {
            curl_off_t length = -1;
            curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            size = length > 0 ? length : 0;
            curl_off_t modified = -1;
            curl_easy_getinfo(curl.get(), CURLINFO_FILETIME_T, &modified);
            if (!etag.empty() && !isFtp)
                validator = "etag " + etag;
            else if (modified >= 0)
                validator = "mtime " + std::to_string(static_cast<long long>(modified));
        }
    }
    manager.Log(L"Download\t文件%s，大小%.0f，CURLcode(%d)", parts.url, static_cast<double>(size),
                static_cast<int>(result));
    return static_cast<int64_t>(size);
}
