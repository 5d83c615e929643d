#pragma once
// Every libcurl transfer of the installer goes out through the proxy the user's system
// would choose for its URL: the router keeps the chain of candidates per server, tries
// them in order until one reaches the server, and logs which proxy is in use.
#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "download/proxy_chain.h"
#include "download/proxy_discovery.h"

class ProxyRouter {
  public:
    // The one router of the process, on the system's sources.
    static ProxyRouter& Instance();

    // A router on the given sources; their log becomes the router's.
    explicit ProxyRouter(ProxySources sources);
    ~ProxyRouter();
    ProxyRouter(const ProxyRouter&) = delete;
    ProxyRouter& operator=(const ProxyRouter&) = delete;

    // Where the "Proxy\t..." lines go: the install log.
    std::wstring logPath;

    // The proxy= word's value ("direct", "HOST:PORT", "socks5://HOST:PORT"), or empty to
    // follow the system's settings. Set at start-up, before the first transfer.
    void UseWord(const std::string& word);

    // Starts finding the proxy for url's server in the background.
    void Prefetch(const std::string& url);
    // Waits until the proxy for url's server is found; the lines that finding it logged
    // are then in the log.
    void AwaitDiscovery(const std::string& url);

    // Performs the transfer set up on `curl` (for `url`) through each candidate in turn
    // until one reaches the server: a proxy that cannot be reached is passed over, a
    // direct connection comes last. A proxy that refuses the user's sign-in (407) ends
    // the transfer with a failure.
    CURLcode Perform(CURL* curl, const std::string& url);

  private:
    void Use(ProxySources sources);
    std::shared_ptr<ProxyChain> Chain();
    void Log(const std::string& line);
    // Each such line once per run: ten block threads meet the same proxy at once. The
    // line is written before any other thread returns from logging it.
    void LogOnce(const std::string& line);

    bool curlStarted_ = false;  // libcurl's global state lives as long as the router
    std::mutex mutex_;          // guards chain_
    std::mutex logMutex_;
    std::set<std::string> logged_;
    // Last, so that it goes first: it waits for discoveries that may still log.
    std::shared_ptr<ProxyChain> chain_;
};
