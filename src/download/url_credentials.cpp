#include "download/url_credentials.h"

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
    const size_t colon = rest.find(':');
    const size_t at = rest.find('@');
    if (colon == std::string_view::npos || colon == 0 || at == std::string_view::npos || at == 0) {
        result.url = url;
        return result;
    }
    result.url = scheme;
    result.url += rest.substr(at + 1);
    result.user = rest.substr(0, colon);
    if (at > colon)
        result.password = rest.substr(colon + 1, at - colon - 1);
    return result;
}
