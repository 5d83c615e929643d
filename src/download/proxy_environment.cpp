#include "download/proxy_environment.h"

#include <algorithm>
#include <cctype>

#include "download/proxy_rules.h"

namespace {

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

const char* FirstSet(const EnvironmentReader& read, std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
        const char* value = read(name.c_str());
        if (value != nullptr && *value != '\0')
            return value;
    }
    return nullptr;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool NoProxyListMatches(std::string_view list, std::string_view host) {
    const std::string lowerHost = AsciiLowerCase(host);
    size_t at = 0;
    while (at < list.size()) {
        const size_t end = std::min(list.find_first_of(", \t", at), list.size());
        std::string entry = AsciiLowerCase(list.substr(at, end - at));
        at = end + 1;
        if (entry == "*")
            return true;
        if (!entry.empty() && entry.front() == '.')
            entry.erase(0, 1);
        if (entry.empty())
            continue;
        if (lowerHost == entry || EndsWith(lowerHost, "." + entry))
            return true;
    }
    return false;
}

std::string EnvironmentProxyFor(const std::string& url, const EnvironmentReader& read) {
    const std::string scheme = UrlScheme(url);
    const std::string own = scheme + "_proxy";
    // Upper-case HTTP_PROXY is left alone: web servers' CGI programs receive it from
    // request headers.
    const char* proxy =
        scheme == "http" ? FirstSet(read, {own}) : FirstSet(read, {own, UpperCase(own)});
    if (proxy == nullptr)
        proxy = FirstSet(read, {"all_proxy", "ALL_PROXY"});
    if (proxy == nullptr)
        return std::string();
    const char* noProxy = FirstSet(read, {"no_proxy", "NO_PROXY"});
    const std::string server = UrlServer(url);
    const std::string host = server.substr(0, server.rfind(':'));
    if (noProxy != nullptr && NoProxyListMatches(noProxy, host))
        return std::string();
    const std::string value = proxy;
    return value.find("://") == std::string::npos ? "http://" + value : value;
}
