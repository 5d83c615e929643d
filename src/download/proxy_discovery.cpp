#include "download/proxy_discovery.h"

#include <cstdlib>

#include "download/proxy_rules.h"

namespace {

std::vector<ProxyCandidate> Candidates(const std::vector<std::string>& proxies,
                                       ProxySource source) {
    std::vector<ProxyCandidate> candidates;
    for (const std::string& proxy : proxies)
        candidates.push_back(ProxyCandidate{proxy, source});
    // An answer that names no proxy for the scheme is a direct connection.
    if (candidates.empty())
        candidates.push_back(ProxyCandidate{std::string(), source});
    return candidates;
}

// The answer of the auto-configuration script (or of auto-detection with an empty
// configUrl); empty when there is none.
std::vector<ProxyCandidate> AskAutoConfig(const std::string& url, const std::string& configUrl,
                                          ProxySource source, const ProxySources& sources) {
    std::string list, error;
    if (sources.askAutoConfig(url, configUrl, list, error))
        return Candidates(ProxiesForScheme(list, UrlScheme(url)), source);
    if (sources.log) {
        sources.log(std::string(ProxySourceName(source)) + " " +
                    (configUrl.empty() ? std::string("(WPAD)") : configUrl) +
                    " gave no answer: " + error);
    }
    return {};
}

}  // namespace

ProxySources SystemProxySources(std::string word) {
    ProxySources sources;
    sources.word = std::move(word);
    sources.readSettings = &platform::ReadSystemProxySettings;
    sources.askAutoConfig = &platform::FindProxyByAutoConfig;
    sources.readEnvironment = [](const char* name) { return std::getenv(name); };
    return sources;
}

ProxyCandidate ProxyWordCandidate(const std::string& word) {
    if (word == "direct")
        return ProxyCandidate{std::string(), ProxySource::Word};
    const bool hasScheme = word.find("://") != std::string::npos;
    return ProxyCandidate{hasScheme ? word : "http://" + word, ProxySource::Word};
}

std::vector<ProxyCandidate> DiscoverProxies(const std::string& url, const ProxySources& sources) {
    if (!sources.word.empty())
        return {ProxyWordCandidate(sources.word)};
    platform::SystemProxySettings settings;
    if (!sources.readSettings(settings)) {
        const std::string proxy = EnvironmentProxyFor(url, sources.readEnvironment);
        return {ProxyCandidate{proxy, ProxySource::Environment}};
    }
    std::vector<ProxyCandidate> chain;
    if (!settings.autoConfigUrl.empty())
        chain = AskAutoConfig(url, settings.autoConfigUrl, ProxySource::Pac, sources);
    if (chain.empty() && settings.autoDetect && !*sources.autoDetectFailed) {
        chain = AskAutoConfig(url, std::string(), ProxySource::AutoDetect, sources);
        if (chain.empty())
            *sources.autoDetectFailed = true;
    }
    if (!settings.proxy.empty()) {
        // The manual proxy stays the next candidate when the script's choice cannot connect.
        const bool bypassed = BypassListMatches(settings.bypass, UrlServer(url));
        const std::vector<ProxyCandidate> manual =
            bypassed ? Candidates({}, ProxySource::Settings)
                     : Candidates(ProxiesForScheme(settings.proxy, UrlScheme(url)),
                                  ProxySource::Settings);
        chain.insert(chain.end(), manual.begin(), manual.end());
    }
    return chain;
}
