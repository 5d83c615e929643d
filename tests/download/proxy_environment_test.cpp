#include "download/proxy_environment.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct EnvironmentCase {
    std::map<std::string, std::string> variables;
    const char* url;
    const char* proxy;  // empty: none
};

class EnvironmentProxyTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(EnvironmentProxyTest, ChoosesAsLibcurlDoes) {
    const EnvironmentCase& c = GetParam();
    const auto read = [&c](const char* name) -> const char* {
        const auto it = c.variables.find(name);
        return it == c.variables.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(EnvironmentProxyFor(c.url, read), c.proxy) << c.url;
}

using Vars = std::map<std::string, std::string>;

INSTANTIATE_TEST_SUITE_P(
    Cases, EnvironmentProxyTest,
    ::testing::Values(
        EnvironmentCase{Vars{}, "http://svc/", ""},
        EnvironmentCase{Vars{{"http_proxy", "p:3128"}}, "http://svc/", "http://p:3128"},
        // Each scheme its own variable.
        EnvironmentCase{Vars{{"http_proxy", "p:3128"}}, "https://svc/", ""},
        EnvironmentCase{Vars{{"https_proxy", "http://s:1"}}, "https://svc/", "http://s:1"},
        EnvironmentCase{Vars{{"HTTPS_PROXY", "http://s:1"}}, "https://svc/", "http://s:1"},
        EnvironmentCase{Vars{{"ftp_proxy", "socks5://f:1080"}}, "ftp://m/f", "socks5://f:1080"},
        // HTTP_PROXY in upper case is not libcurl's: request headers can set it in CGI.
        EnvironmentCase{Vars{{"HTTP_PROXY", "p:3128"}}, "http://svc/", ""},
        // all_proxy for every scheme without its own.
        EnvironmentCase{Vars{{"all_proxy", "a:1"}, {"https_proxy", "s:1"}}, "ftp://m/f",
                        "http://a:1"},
        EnvironmentCase{Vars{{"ALL_PROXY", "a:1"}, {"https_proxy", "s:1"}}, "https://m/f",
                        "http://s:1"},
        // An empty variable is no proxy.
        EnvironmentCase{Vars{{"http_proxy", ""}, {"all_proxy", "a:1"}}, "http://svc/",
                        "http://a:1"},
        // no_proxy names hosts and their domains.
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"no_proxy", "mirror.test"}},
                        "http://mirror.test:8001/f", ""},
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"no_proxy", "test"}}, "http://mirror.test/f",
                        ""},
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"NO_PROXY", ".test"}}, "http://mirror.test/f",
                        ""},
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"no_proxy", "ror.test"}},
                        "http://mirror.test/f", "http://p:1"},
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"no_proxy", "a.test, 127.0.0.1"}},
                        "http://127.0.0.1:8000/f", ""},
        EnvironmentCase{Vars{{"http_proxy", "p:1"}, {"no_proxy", "*"}}, "http://any/f", ""}));

}  // namespace
