#pragma once
// The proxy that libcurl takes from the environment for a URL, worked out the way libcurl
// does it, so that the log can say which proxy a transfer went through.
#include <functional>
#include <string>
#include <string_view>

// The value of an environment variable, or null when it is not set.
using EnvironmentReader = std::function<const char*(const char* name)>;

// "<scheme>_proxy" (http_proxy in lower case only, as libcurl reads it), else all_proxy
// (either case); empty when none is set or when no_proxy names the URL's host.
std::string EnvironmentProxyFor(const std::string& url, const EnvironmentReader& read);

// Whether a no_proxy list (names separated by ',' or blanks) names `host`: "*" names
// every host, an entry names itself and the hosts of its domain (a leading '.' is
// ignored), an address names itself.
bool NoProxyListMatches(std::string_view list, std::string_view host);
