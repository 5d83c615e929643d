#pragma once
// The chain of proxies for one URL from the sources a user's machine offers, in the order
// the system would consult them: the proxy= word overrides everything; else the
// auto-configuration script, auto-detection, the manual proxy with its bypass list; on a
// system that keeps no settings (Linux), the environment variables.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/proxy_chain.h"
#include "download/proxy_environment.h"
#include "platform/system_proxy.h"

struct ProxySources {
    std::string word;  // the proxy= word's value; empty when it was not given
    std::function<bool(platform::SystemProxySettings&)> readSettings;
    std::function<bool(const std::string& url, const std::string& configUrl, std::string& list,
                       std::string& error)>
        askAutoConfig;
    EnvironmentReader readEnvironment;
    // Lines about sources that failed (a missing script, no auto-detection answer).
    std::function<void(const std::string&)> log;
    // Set once auto-detection found no script: it is not asked again in this run.
    std::shared_ptr<std::atomic<bool>> autoDetectFailed = std::make_shared<std::atomic<bool>>();
};

// The sources of this system, with the proxy= word (and no log).
ProxySources SystemProxySources(std::string word);

// "direct" is a direct connection, "HOST:PORT" an HTTP proxy, "scheme://HOST:PORT" a proxy
// of that kind (socks5://…); a Word candidate.
ProxyCandidate ProxyWordCandidate(const std::string& word);

// The candidates for url; an empty list means a direct connection.
std::vector<ProxyCandidate> DiscoverProxies(const std::string& url, const ProxySources& sources);
