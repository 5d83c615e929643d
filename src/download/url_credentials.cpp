#include "download/url_credentials.h"

#include "app/hex_digit.h"
#include "platform/text_codec.h"

namespace {

// "%XX" becomes its byte; a "%" without two hex digits stays as it is.
std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0) {
            out.push_back(
                static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

UrlCredentials SplitUrlCredentials(std::string_view url) {
    UrlCredentials result;
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        result.url = "http://";
        result.url += url;
        return result;
    }
    const std::string_view scheme = url.substr(0, schemeEnd + 3);
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    const size_t at = authority.rfind('@');
    const size_t colon = authority.find(':');
    if (at == std::string_view::npos || colon == std::string_view::npos || colon == 0 ||
        colon > at) {
        result.url = url;
        return result;
    }
    result.url = scheme;
    result.url += rest.substr(at + 1);
    result.user = PercentDecode(authority.substr(0, colon));
    result.password = PercentDecode(authority.substr(colon + 1, at - colon - 1));
    return result;
}

std::wstring EncodeUrlCredential(const std::wstring& value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring encoded;
    for (const char c : text::WideToSystem(value)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= 'a' && byte <= 'z') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            encoded.push_back(static_cast<wchar_t>(byte));
        } else {
            encoded.push_back(L'%');
            encoded.push_back(static_cast<wchar_t>(kHex[byte >> 4]));
            encoded.push_back(static_cast<wchar_t>(kHex[byte & 0xF]));
        }
    }
    return encoded;
}
