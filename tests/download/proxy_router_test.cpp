// Transfers through the router against real servers on 127.0.0.1: a proxy that cannot be
// reached is passed over for a direct connection, unless the proxy= word named it.
#include "download/proxy_router.h"

#include <gtest/gtest.h>

#include "download/curl_easy.h"
#include "download_fixture.h"
#include "support/http_test_server.h"
#include "support/refusing_port.h"

namespace {

size_t Collect(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

class ProxyRouterTest : public DownloadTest {
  protected:
    void SetUp() override {
        DownloadTest::SetUp();
        ASSERT_TRUE(server_.Running());
        ASSERT_NE(deadProxy_.Port(), 0);
        server_.Handle("/file", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("the file", "text/plain");
        });
    }

    // Sources of a machine whose settings name `proxy` for every server.
    static ProxySources ManualProxy(const std::string& proxy, const std::string& word = "") {
        ProxySources sources;
        sources.word = word;
        sources.readSettings = [proxy](platform::SystemProxySettings& settings) {
            settings = platform::SystemProxySettings();
            settings.proxy = proxy;
            return true;
        };
        sources.askAutoConfig = [](const std::string&, const std::string&, std::string&,
                                   std::string&) { return false; };
        sources.readEnvironment = [](const char*) -> const char* { return nullptr; };
        return sources;
    }

    CURLcode Fetch(ProxyRouter& router, std::string& body) {
        const std::string url = "http://" + server_.HostPort() + "/file";
        CurlEasy curl;
        curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
        curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, 10000L);
        return router.Perform(curl.get(), url);
    }

    std::string DeadProxy() const { return "127.0.0.1:" + std::to_string(deadProxy_.Port()); }

    test_support::HttpTestServer server_;
    test_support::RefusingPort deadProxy_;
};

TEST_F(ProxyRouterTest, AnUnreachableProxyIsPassedOverForADirectConnection) {
    ProxyRouter router(ManualProxy(DeadProxy()));
    router.logPath = LogPath();
    for (int i = 0; i < 2; ++i) {
        std::string body;
        EXPECT_EQ(Fetch(router, body), CURLE_OK);
        EXPECT_EQ(body, "the file");
    }
    const std::string log = ReadLog();
    const std::string unreachable = "Proxy\thttp://" + DeadProxy() +
                                    " (settings) cannot be reached, CURLcode(7): the next "
                                    "candidate is tried";
    const std::string fallback = "Proxy\t" + server_.HostPort() + " direct (fallback)";
    EXPECT_NE(log.find(unreachable), std::string::npos) << log;
    EXPECT_NE(log.find(fallback), std::string::npos) << log;
    // Each once: the second transfer went directly, as the first had.
    EXPECT_EQ(log.find(unreachable), log.rfind(unreachable)) << log;
    EXPECT_EQ(log.find(fallback), log.rfind(fallback)) << log;
}

TEST_F(ProxyRouterTest, AProxyTheWordNamesIsTheOnlyOneTried) {
    ProxyRouter router(ManualProxy(std::string(), DeadProxy()));
    router.logPath = LogPath();
    std::string body;
    EXPECT_EQ(Fetch(router, body), CURLE_COULDNT_CONNECT);
    EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(ProxyRouterTest, DirectByTheWordIgnoresTheSettings) {
    ProxyRouter router(ManualProxy(DeadProxy(), "direct"));
    router.logPath = LogPath();
    std::string body;
    EXPECT_EQ(Fetch(router, body), CURLE_OK);
    EXPECT_EQ(ReadLog().find("cannot be reached"), std::string::npos);
}

}  // namespace
