#include "download/proxy_rules.h"

#include <cctype>

namespace {

bool IsSeparator(char c, std::string_view separators) {
    return separators.find(c) != std::string_view::npos;
}

std::vector<std::string_view> SplitList(std::string_view list, std::string_view separators) {
    std::vector<std::string_view> parts;
    size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && IsSeparator(list[at], separators))
            ++at;
        size_t end = at;
        while (end < list.size() && !IsSeparator(list[end], separators))
            ++end;
        if (end > at)
            parts.push_back(list.substr(at, end - at));
        at = end;
    }
    return parts;
}

// The text after "scheme://", or all of it.
std::string_view AfterScheme(std::string_view text) {
    const size_t scheme = text.find("://");
    return scheme == std::string_view::npos ? text : text.substr(scheme + 3);
}

// '*' matches any run of characters; both texts already in lower case.
bool WildcardMatches(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string WithScheme(std::string_view address, std::string_view scheme) {
    if (address.find("://") != std::string_view::npos)
        return std::string(address);
    return std::string(scheme) + "://" + std::string(address);
}

}  // namespace

std::string AsciiLowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string UrlScheme(std::string_view url) {
    const size_t end = url.find("://");
    return end == std::string_view::npos ? "http" : AsciiLowerCase(url.substr(0, end));
}

std::string UrlServer(std::string_view url) {
    std::string_view rest = AfterScheme(url);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const size_t at = rest.rfind('@');
    if (at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    return AsciiLowerCase(rest);
}

std::vector<std::string> ProxiesForScheme(std::string_view list, std::string_view scheme) {
    std::vector<std::string> own, socks;
    for (std::string_view entry : SplitList(list, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            own.push_back(WithScheme(entry, "http"));
            continue;
        }
        const std::string key = AsciiLowerCase(entry.substr(0, equals));
        const std::string_view address = entry.substr(equals + 1);
        if (address.empty())
            continue;
        if (key == scheme)
            own.push_back(WithScheme(address, "http"));
        else if (key == "socks")
            socks.push_back(WithScheme(address, "socks4"));
    }
    return own.empty() ? socks : own;
}

bool BypassListMatches(std::string_view list, std::string_view server) {
    const std::string lowerServer = AsciiLowerCase(server);
    const size_t colon = lowerServer.rfind(':');
    const std::string host = lowerServer.substr(0, colon);
    for (std::string_view entry : SplitList(list, "; ,\t\r\n")) {
        const std::string pattern = AsciiLowerCase(AfterScheme(entry));
        if (pattern == "<local>") {
            if (host.find('.') == std::string::npos)
                return true;
            continue;
        }
        const bool withPort = pattern.find(':') != std::string::npos;
        if (WildcardMatches(pattern, withPort ? lowerServer : host))
            return true;
    }
    return false;
}

std::string ProxyForLog(std::string_view proxy) {
    const size_t scheme = proxy.find("://");
    const size_t authority = scheme == std::string_view::npos ? 0 : scheme + 3;
    const size_t at = proxy.rfind('@');
    if (at == std::string_view::npos || at < authority)
        return std::string(proxy);
    return std::string(proxy.substr(0, authority)) + std::string(proxy.substr(at + 1));
}

bool ProxyHasCredentials(std::string_view proxy) {
    return ProxyForLog(proxy).size() != proxy.size();
}
