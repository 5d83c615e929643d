#pragma once
// The proxies to try for each server, in order, as plain data: what discovery found for
// the server (once per server and run), with the candidate that last carried a transfer
// there first and a direct connection last.
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class ProxySource { None, Word, Settings, Pac, AutoDetect, Environment };

// "word", "settings", "PAC", "auto-detect", "environment"; "fallback" for None.
const char* ProxySourceName(ProxySource source);

struct ProxyCandidate {
    std::string proxy;  // as libcurl takes it ("http://host:port"); empty: direct
    ProxySource source = ProxySource::None;

    bool IsDirect() const { return proxy.empty(); }
    bool operator==(const ProxyCandidate& other) const {
        return proxy == other.proxy && source == other.source;
    }
};

class ProxyChain {
  public:
    // Finds the candidates for a URL; may take seconds (auto-configuration scripts).
    using Discover = std::function<std::vector<ProxyCandidate>(const std::string& url)>;

    explicit ProxyChain(Discover discover);
    ProxyChain(const ProxyChain&) = delete;
    ProxyChain& operator=(const ProxyChain&) = delete;

    // Starts discovery for url's server on a thread of its own unless it has begun, so
    // that the first transfer need not wait for it on the caller's thread.
    void Prefetch(const std::string& url);

    // The candidates for url in the order to try them: the one that last reached its
    // server, then the discovered chain, then a direct connection, each once. A proxy the
    // proxy= word names is the only candidate: the user chose it.
    std::vector<ProxyCandidate> CandidatesFor(const std::string& url);

    // Notes that `used` reached url's server. True when it went through another proxy than
    // the transfer noted before for the server; at first, when it went through a proxy, or
    // directly although discovery named one.
    bool NoteReached(const std::string& url, const ProxyCandidate& used);

  private:
    struct Server {
        std::shared_future<std::vector<ProxyCandidate>> discovered;
        std::optional<ProxyCandidate> reached;
    };
    // The server's entry, with discovery started. Called under mutex_.
    Server& ServerFor(const std::string& url);

    Discover discover_;
    std::mutex mutex_;
    std::map<std::string, Server> servers_;  // by scheme and server
};
