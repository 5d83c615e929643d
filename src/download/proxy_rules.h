#pragma once
// Plain rules of proxy choice, shared by every source of proxy settings: which proxies a
// proxy list names for a URL's scheme, whether a bypass list names a server, and the
// parts of a URL that the choice looks at.
#include <string>
#include <string_view>
#include <vector>

// Host names, schemes and variable names compare without regard to ASCII case.
std::string AsciiLowerCase(std::string_view text);

// The scheme of a URL in lower case ("http", "https", "ftp"); "http" when it names none.
std::string UrlScheme(std::string_view url);
// The server of a URL as "host" or "host:port", without credentials, host in lower case.
std::string UrlServer(std::string_view url);

// The proxies that a Windows proxy list names for URLs of `scheme`, in order, each in
// the form libcurl takes ("http://host:port", "socks4://host:port"). Entries are
// separated by ';' or blanks: "host:port" serves every scheme, "http=host:port",
// "https=…", "ftp=…" serve their own, and "socks=host:port" serves a scheme that has no
// entry of its own. An entry may name its own scheme ("https=socks5://host:port").
std::vector<std::string> ProxiesForScheme(std::string_view list, std::string_view scheme);

// Whether a bypass list names `server` ("host" or "host:port"): "<local>" names host names
// without a dot, other patterns match the host (or host:port when they carry a port)
// without regard to case, '*' standing for any run of characters. Patterns are separated
// by ';', ',' or blanks; a "scheme://" in front of one is ignored.
bool BypassListMatches(std::string_view list, std::string_view server);

// The proxy without user name and password, for the log.
std::string ProxyForLog(std::string_view proxy);
// Whether the proxy carries a user name (and password) of its own.
bool ProxyHasCredentials(std::string_view proxy);
