#include "download/proxy_chain.h"

#include <algorithm>

#include "download/proxy_rules.h"

namespace {

std::string ServerKey(const std::string& url) {
    return UrlScheme(url) + "://" + UrlServer(url);
}

void AddOnce(std::vector<ProxyCandidate>& list, const ProxyCandidate& candidate) {
    const bool known = std::any_of(list.begin(), list.end(), [&](const ProxyCandidate& c) {
        return c.proxy == candidate.proxy;
    });
    if (!known)
        list.push_back(candidate);
}

}  // namespace

const char* ProxySourceName(ProxySource source) {
    switch (source) {
        case ProxySource::Word:
            return "word";
        case ProxySource::Settings:
            return "settings";
        case ProxySource::Pac:
            return "PAC";
        case ProxySource::AutoDetect:
            return "auto-detect";
        case ProxySource::Environment:
            return "environment";
        case ProxySource::None:
            break;
    }
    return "fallback";
}

ProxyChain::ProxyChain(Discover discover) : discover_(std::move(discover)) {}

ProxyChain::Server& ProxyChain::ServerFor(const std::string& url) {
    Server& server = servers_[ServerKey(url)];
    if (!server.discovered.valid())
        server.discovered = std::async(std::launch::async, discover_, url).share();
    return server;
}

void ProxyChain::Prefetch(const std::string& url) {
    std::lock_guard<std::mutex> lock(mutex_);
    ServerFor(url);
}

std::vector<ProxyCandidate> ProxyChain::CandidatesFor(const std::string& url) {
    std::shared_future<std::vector<ProxyCandidate>> discovered;
    std::optional<ProxyCandidate> reached;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Server& server = ServerFor(url);
        discovered = server.discovered;
        reached = server.reached;
    }
    const std::vector<ProxyCandidate>& chain = discovered.get();
    if (!chain.empty() && chain.front().source == ProxySource::Word)
        return {chain.front()};
    std::vector<ProxyCandidate> candidates;
    if (reached)
        candidates.push_back(*reached);
    for (const ProxyCandidate& candidate : chain)
        AddOnce(candidates, candidate);
    AddOnce(candidates, ProxyCandidate{});
    return candidates;
}

bool ProxyChain::NoteReached(const std::string& url, const ProxyCandidate& used) {
    std::lock_guard<std::mutex> lock(mutex_);
    Server& server = ServerFor(url);
    const bool first = !server.reached;
    const std::string before = first ? std::string() : server.reached->proxy;
    server.reached = used;
    if (!first || !used.IsDirect())
        return before != used.proxy;
    // A first direct connection is news only where a proxy was meant to serve.
    const std::vector<ProxyCandidate>& chain = server.discovered.get();
    return std::any_of(chain.begin(), chain.end(),
                       [](const ProxyCandidate& c) { return !c.IsDirect(); });
}
