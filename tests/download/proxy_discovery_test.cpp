#include "download/proxy_discovery.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What one machine offers: its settings, its script's answers by URL, its environment.
struct Machine {
    bool keepsSettings = true;
    platform::SystemProxySettings settings;
    std::map<std::string, std::string> scriptAnswers;  // by URL; missing: no answer
    bool wpadAnswers = false;
    std::map<std::string, std::string> environment;
    std::vector<std::string> logged;

    ProxySources Sources(const std::string& word = std::string()) {
        ProxySources sources;
        sources.word = word;
        sources.readSettings = [this](platform::SystemProxySettings& out) {
            out = settings;
            return keepsSettings;
        };
        sources.askAutoConfig = [this](const std::string& url, const std::string& configUrl,
                                       std::string& list, std::string& error) {
            if (configUrl.empty() && !wpadAnswers) {
                error = "no script found";
                return false;
            }
            const auto it = scriptAnswers.find(url);
            if (it == scriptAnswers.end()) {
                error = "download failed";
                return false;
            }
            list = it->second;
            return true;
        };
        sources.readEnvironment = [this](const char* name) -> const char* {
            const auto it = environment.find(name);
            return it == environment.end() ? nullptr : it->second.c_str();
        };
        sources.log = [this](const std::string& line) { logged.push_back(line); };
        return sources;
    }
};

using Chain = std::vector<ProxyCandidate>;

TEST(ProxyDiscoveryTest, ManualProxyWithBypassListAndPerProtocolEntries) {
    Machine machine;
    machine.settings.proxy = "http=web:3128;https=tls:3129";
    machine.settings.bypass = "<local>;*.intranet";
    const ProxySources sources = machine.Sources();
    EXPECT_EQ(DiscoverProxies("http://svc.example/inst/", sources),
              (Chain{{"http://web:3128", ProxySource::Settings}}));
    EXPECT_EQ(DiscoverProxies("https://svc.example/inst/", sources),
              (Chain{{"http://tls:3129", ProxySource::Settings}}));
    // No ftp= entry, and bypassed hosts: direct, as the settings say.
    EXPECT_EQ(DiscoverProxies("ftp://m.example/f", sources), (Chain{{"", ProxySource::Settings}}));
    EXPECT_EQ(DiscoverProxies("http://files.intranet/f", sources),
              (Chain{{"", ProxySource::Settings}}));
    EXPECT_EQ(DiscoverProxies("http://files:8001/f", sources),
              (Chain{{"", ProxySource::Settings}}));
    EXPECT_TRUE(machine.logged.empty());
}

TEST(ProxyDiscoveryTest, TheScriptComesFirstAndTheManualProxyStaysNext) {
    Machine machine;
    machine.settings.autoConfigUrl = "http://wpad.corp/proxy.pac";
    machine.settings.proxy = "manual:8080";
    machine.scriptAnswers["https://svc/inst/"] = "pac:3128";
    machine.scriptAnswers["http://mirror/f"] = "";  // DIRECT
    const ProxySources sources = machine.Sources();
    EXPECT_EQ(DiscoverProxies("https://svc/inst/", sources),
              (Chain{{"http://pac:3128", ProxySource::Pac},
                     {"http://manual:8080", ProxySource::Settings}}));
    EXPECT_EQ(DiscoverProxies("http://mirror/f", sources),
              (Chain{{"", ProxySource::Pac}, {"http://manual:8080", ProxySource::Settings}}));
}

TEST(ProxyDiscoveryTest, AScriptOrAutoDetectionWithoutAnswerIsLoggedAndPassedOver) {
    Machine machine;
    machine.settings.autoConfigUrl = "http://gone/proxy.pac";
    machine.settings.autoDetect = true;
    machine.settings.proxy = "manual:8080";
    const ProxySources sources = machine.Sources();
    EXPECT_EQ(DiscoverProxies("http://svc/", sources),
              (Chain{{"http://manual:8080", ProxySource::Settings}}));
    ASSERT_EQ(machine.logged.size(), 2u);
    EXPECT_EQ(machine.logged[0], "PAC http://gone/proxy.pac gave no answer: download failed");
    EXPECT_EQ(machine.logged[1], "auto-detect (WPAD) gave no answer: no script found");
    // Auto-detection that found nothing is not asked again for the next server.
    machine.logged.clear();
    DiscoverProxies("http://mirror/", sources);
    EXPECT_EQ(machine.logged, std::vector<std::string>{
                                  "PAC http://gone/proxy.pac gave no answer: download failed"});
}

TEST(ProxyDiscoveryTest, AutoDetectionAnswersWhenThereIsNoScriptUrl) {
    Machine machine;
    machine.settings.autoDetect = true;
    machine.wpadAnswers = true;
    machine.scriptAnswers["http://svc/"] = "a:1;socks=s:1080";
    EXPECT_EQ(DiscoverProxies("http://svc/", machine.Sources()),
              (Chain{{"http://a:1", ProxySource::AutoDetect}}));
}

TEST(ProxyDiscoveryTest, TheWordOverridesEverySource) {
    Machine machine;
    machine.settings.proxy = "manual:8080";
    EXPECT_EQ(DiscoverProxies("http://svc/", machine.Sources("127.0.0.1:3128")),
              (Chain{{"http://127.0.0.1:3128", ProxySource::Word}}));
    EXPECT_EQ(DiscoverProxies("ftp://m/f", machine.Sources("socks5://127.0.0.1:1080")),
              (Chain{{"socks5://127.0.0.1:1080", ProxySource::Word}}));
    EXPECT_EQ(DiscoverProxies("http://svc/", machine.Sources("direct")),
              (Chain{{"", ProxySource::Word}}));
}

TEST(ProxyDiscoveryTest, WithoutSystemSettingsTheEnvironmentDecides) {
    Machine machine;
    machine.keepsSettings = false;
    machine.environment["https_proxy"] = "http://127.0.0.1:3128";
    machine.environment["no_proxy"] = "mirror.test";
    const ProxySources sources = machine.Sources();
    EXPECT_EQ(DiscoverProxies("https://svc.test/inst/", sources),
              (Chain{{"http://127.0.0.1:3128", ProxySource::Environment}}));
    EXPECT_EQ(DiscoverProxies("https://mirror.test/f", sources),
              (Chain{{"", ProxySource::Environment}}));
}

}  // namespace
