#include "service/http_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <string_view>

#include "app/install_context.h"
#include "download/proxy_router.h"
#include "platform/text_codec.h"
#include "platform/tls_peer.h"
#include "service/http_post.h"

namespace {

size_t AppendToBody(char* data, size_t size, size_t count, void* userData) {
    const size_t bytes = size * count;
    auto* body = static_cast<std::string*>(userData);
    if (bytes > kMaxServiceAnswerBytes - std::min(body->size(), kMaxServiceAnswerBytes))
        return 0;
    try {
        body->append(data, bytes);
    } catch (const std::bad_alloc&) {
        return 0;  // libcurl ends the transfer with a write error
    }
    return bytes;
}

struct PeerCheck {
    CURL* handle = nullptr;
    std::string host;
    std::string status;  // why the certificate was refused; empty when it was not
};

// Runs once the connection (and its TLS handshake) is up and before the request is sent:
// a server whose certificate the system does not trust for the host never sees a query.
int CheckPeerBeforeRequest(void* data, char*, char*, int, int) {
    auto* check = static_cast<PeerCheck*>(data);
    curl_tlssessioninfo* tls = nullptr;
    void* schannelContext = nullptr;
    if (curl_easy_getinfo(check->handle, CURLINFO_TLS_SSL_PTR, &tls) == CURLE_OK &&
        tls != nullptr && tls->backend == CURLSSLBACKEND_SCHANNEL)
        schannelContext = tls->internals;
    if (platform::CheckTlsPeer(schannelContext, check->host, check->status))
        return CURL_PREREQFUNC_OK;
    if (check->status.empty())
        check->status = "refused";
    return CURL_PREREQFUNC_ABORT;
}

// The host of an "https://host/..." URL; empty for any other scheme.
std::string HttpsHost(const std::string& url) {
    static constexpr std::string_view kScheme = "https://";
    if (url.compare(0, kScheme.size(), kScheme) != 0)
        return std::string();
    const size_t end = url.find_first_of(":/?#", kScheme.size());
    return url.substr(kScheme.size(), end == std::string::npos ? end : end - kScheme.size());
}

// Keeps the values of the header the exchange asks for, from the last response only.
size_t CollectHeader(char* data, size_t size, size_t count, void* userData) {
    const size_t bytes = size * count;
    auto* headers = static_cast<HttpHeaderExchange*>(userData);
    std::string_view line(data, bytes);
    if (line.compare(0, 5, "HTTP/") == 0) {
        headers->received.clear();
        return bytes;
    }
    const size_t colon = line.find(':');
    const std::string_view wanted = headers->receiveName;
    if (colon != wanted.size() ||
        !std::equal(wanted.begin(), wanted.end(), line.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        }))
        return bytes;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ' ||
                              value.back() == '\t'))
        value.remove_suffix(1);
    if (headers->received.size() < 8)  // enough to see that there are several
        headers->received.emplace_back(value);
    return bytes;
}

// The path and query of the URL libcurl used, as it sent them on the request line.
std::string EffectiveTarget(CURL* handle) {
    char* url = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr)
        return std::string();
    const std::string_view text(url);
    const size_t authority = text.find("://");
    const size_t path = text.find('/', authority == std::string_view::npos ? 0 : authority + 3);
    return path == std::string_view::npos ? std::string("/") : std::string(text.substr(path));
}

}  // namespace

bool HttpGet(CInstallContext& context, const std::wstring& url, std::string& body,
             std::wstring* failure, HttpHeaderExchange* headers) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr)
        return false;
    const std::string systemUrl = text::WideToSystem(url);
    curl_easy_setopt(handle, CURLOPT_URL, systemUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendToBody);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, 3000L);
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    PeerCheck check;
    check.handle = handle;
    check.host = HttpsHost(systemUrl);
    if (!check.host.empty()) {
        curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &CheckPeerBeforeRequest);
        curl_easy_setopt(handle, CURLOPT_PREREQDATA, &check);
    }
    curl_slist* requestHeaders = nullptr;
    if (headers != nullptr) {
        if (!headers->sendName.empty()) {
            const std::string line = headers->sendName + ": " + headers->sendValue;
            requestHeaders = curl_slist_append(nullptr, line.c_str());
            curl_easy_setopt(handle, CURLOPT_HTTPHEADER, requestHeaders);
        }
        headers->received.clear();
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CollectHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, headers);
    }
    const CURLcode code = ProxyRouter::Instance().Perform(handle, systemUrl);
    context.lastTransferResult = static_cast<int32_t>(code);
    if (headers != nullptr)
        headers->target = EffectiveTarget(handle);
    curl_easy_cleanup(handle);
    curl_slist_free_all(requestHeaders);
    if (code != CURLE_OK && failure != nullptr) {
        std::string text = "CURLcode(" + std::to_string(static_cast<int>(code)) + ") " +
                           (errorText[0] != '\0' ? errorText : curl_easy_strerror(code));
        if (!check.status.empty())
            text += "; certificate: " + check.status;
        *failure = text::SystemToWide(text);
    }
    return code == CURLE_OK;
}

std::wstring ServiceUrl(const std::wstring& entry, const std::wstring& query) {
    const size_t colon = entry.find(L':');
    const bool plainHttp = colon != std::wstring::npos && colon >= 1;
    return (plainHttp ? L"http://" : L"https://") + entry + L"/inst/?" + query;
}

std::wstring DecodeServiceAnswer(const std::string& body) {
    const size_t nul = body.find('\0');
    const std::string_view text =
        nul == std::string::npos ? std::string_view(body) : std::string_view(body).substr(0, nul);
    return text::SystemToWide(Utf8ToAnsi(text));
}
