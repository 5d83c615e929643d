#include "service/http_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <new>

#include "app/install_context.h"
#include "platform/text_codec.h"
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

}  // namespace

bool HttpGet(CInstallContext& context, const std::wstring& url, std::string& body) {
    CURL* handle = curl_easy_init();
    if (handle == nullptr)
        return false;
    const std::string systemUrl = text::WideToSystem(url);
    curl_easy_setopt(handle, CURLOPT_URL, systemUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendToBody);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, 3000L);
    const CURLcode code = curl_easy_perform(handle);
    context.lastTransferResult = static_cast<int32_t>(code);
    curl_easy_cleanup(handle);
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
