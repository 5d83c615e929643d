// The URLs the installer builds from service answers and parameters: the service URL with
// its form-encoded query, and the mirror URLs with the credentials of a getftp answer.
// Input: four texts separated by NUL bytes (server entry, parameter value, user name,
// password), then the requested path.
#include <httplib.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/text_format.h"
#include "download/url_credentials.h"
#include "fuzz_check.h"
#include "platform/text_codec.h"
#include "service/http_post.h"
#include "service/http_transport.h"

namespace {

std::vector<std::string> SplitAtNul(std::string_view input, size_t count) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < count) {
        const size_t nul = input.find('\0');
        parts.emplace_back(input.substr(0, nul));
        input = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
    }
    parts.emplace_back(input);
    return parts;
}

// What the service's query parser reads for a value the installer form-encoded: the UTF-8
// text with the blanks that travel as "+" read as spaces.
std::string ExpectedDecoded(const std::string& ansi) {
    std::string utf8 = AnsiToUtf8(ansi);
    for (char& c : utf8)
        if (c >= '\t' && c <= '\r')
            c = ' ';
    return utf8;
}

// The characters the service hands out in user names and passwords.
bool IsCredentialToken(const std::string& text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '~' &&
            c != '-')
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = SplitAtNul(std::string_view(reinterpret_cast<const char*>(data), size), 5);
    const std::string& entry = parts[0];
    const std::string& value = parts[1];
    const std::string& user = parts[2];
    const std::string& password = parts[3];
    const std::string& path = parts[4];

    // The service reads back exactly the value the installer encoded.
    const std::string encoded = CHttpPostClass().UrlEncode(value);
    const std::wstring url = ServiceUrl(text::SystemToWide(entry),
                                        L"action=getftp&filename=" + text::SystemToWide(encoded));
    const std::string narrowUrl = text::WideToSystem(url);
    httplib::Params params;
    httplib::detail::parse_query_text(narrowUrl.substr(narrowUrl.rfind("action=getftp&")), params);
    const auto filename = params.find("filename");
    FUZZ_CHECK(filename != params.end() && filename->second == ExpectedDecoded(value));

    // Mirror URLs: the credentials come off again as they went in, and the rest of the
    // URL stays as it was built.
    const std::wstring host = text::SystemToWide(entry);
    const std::wstring widePath = text::SystemToWide(path);
    const std::wstring wideUser = text::SystemToWide(user);
    const std::wstring widePassword = text::SystemToWide(password);
    const std::string ftp = text::WideToSystem(
        text::Format(L"ftp://%s:%s@%s/%s", wideUser, widePassword, host, widePath));
    const std::string http = text::WideToSystem(text::Format(
        L"http://%s%s?username=%s&password=%s", host, widePath, wideUser, widePassword));
    const std::string plainHost = text::WideToSystem(host);
    const std::string plainPath = text::WideToSystem(widePath);
    if (IsCredentialToken(user) && IsCredentialToken(password) &&
        plainHost.find('@') == std::string::npos) {
        const UrlCredentials ftpSplit = SplitUrlCredentials(ftp);
        FUZZ_CHECK(ftpSplit.user == user && ftpSplit.password == password);
        FUZZ_CHECK(ftpSplit.url == "ftp://" + plainHost + "/" + plainPath);
        // The HTTP mirror takes its credentials in the query: the URL goes out whole, to
        // the host it names, whatever the path holds.
        if (plainHost.find_first_of("/?#") == std::string::npos && !plainPath.empty() &&
            plainPath.front() == '/') {
            const UrlCredentials httpSplit = SplitUrlCredentials(http);
            FUZZ_CHECK(httpSplit.url == http && httpSplit.user.empty());
        }
    }
    return 0;
}
