#include "download/proxy_router.h"

#include "app/install_log.h"
#include "download/proxy_rules.h"
#include "platform/text_codec.h"

namespace {

bool ProxyUnreachable(CURLcode result, const ProxyCandidate& candidate) {
    return !candidate.IsDirect() && (result == CURLE_COULDNT_RESOLVE_PROXY ||
                                     result == CURLE_COULDNT_CONNECT || result == CURLE_PROXY);
}

void UseCandidate(CURL* curl, const ProxyCandidate& candidate) {
    // The proxy's answer to CONNECT is no answer of the server's.
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // Without a proxy option libcurl reads http_proxy, https_proxy, ... itself; an empty
    // one is a direct connection whatever the environment says.
    curl_easy_setopt(
        curl, CURLOPT_PROXY,
        candidate.source == ProxySource::Environment ? nullptr : candidate.proxy.c_str());
    if (ProxyHasCredentials(candidate.proxy)) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, nullptr);
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
    } else {
        // The signed-in user's own credentials (Negotiate and NTLM through SSPI on
        // Windows): an empty user name and password.
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH,
                         static_cast<unsigned long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
    }
}

std::string AuthSchemeNames(long schemes) {
    static constexpr struct {
        unsigned long bit;
        const char* name;
    } kNames[] = {{CURLAUTH_BASIC, "Basic"},
                  {CURLAUTH_DIGEST, "Digest"},
                  {CURLAUTH_NEGOTIATE, "Negotiate"},
                  {CURLAUTH_NTLM, "NTLM"},
                  {CURLAUTH_BEARER, "Bearer"}};
    std::string names;
    for (const auto& scheme : kNames) {
        if ((static_cast<unsigned long>(schemes) & scheme.bit) != 0)
            names += (names.empty() ? "" : ", ") + std::string(scheme.name);
    }
    return names.empty() ? "none" : names;
}

std::string Described(const ProxyCandidate& candidate) {
    return (candidate.IsDirect() ? std::string("direct") : "via " + ProxyForLog(candidate.proxy)) +
           " (" + ProxySourceName(candidate.source) + ")";
}

}  // namespace

ProxyRouter& ProxyRouter::Instance() {
    static ProxyRouter router(SystemProxySources(std::string()));
    return router;
}

ProxyRouter::ProxyRouter(ProxySources sources)
    : logPath(install_log::DefaultPath()),
      curlStarted_(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK) {
    Use(std::move(sources));
}

ProxyRouter::~ProxyRouter() {
    // Discoveries still running may log and transfer: they end before libcurl's state.
    std::shared_ptr<ProxyChain> chain;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chain.swap(chain_);
    }
    chain.reset();
    if (curlStarted_)
        curl_global_cleanup();
}

void ProxyRouter::UseWord(const std::string& word) {
    Use(SystemProxySources(word));
}

void ProxyRouter::Use(ProxySources sources) {
    sources.log = [this](const std::string& line) { LogOnce("Proxy\t" + line); };
    auto chain = std::make_shared<ProxyChain>(
        [sources](const std::string& url) { return DiscoverProxies(url, sources); });
    std::lock_guard<std::mutex> lock(mutex_);
    chain_ = std::move(chain);
}

std::shared_ptr<ProxyChain> ProxyRouter::Chain() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chain_;
}

void ProxyRouter::Prefetch(const std::string& url) {
    Chain()->Prefetch(url);
}

void ProxyRouter::AwaitDiscovery(const std::string& url) {
    Chain()->CandidatesFor(url);
}

void ProxyRouter::Log(const std::string& line) {
    install_log::AppendLine(logPath, text::SystemToWide(line));
}

void ProxyRouter::LogOnce(const std::string& line) {
    std::lock_guard<std::mutex> lock(logMutex_);
    if (logged_.insert(line).second)
        Log(line);
}

CURLcode ProxyRouter::Perform(CURL* curl, const std::string& url) {
    const std::shared_ptr<ProxyChain> chain = Chain();
    CURLcode result = CURLE_COULDNT_CONNECT;
    for (const ProxyCandidate& candidate : chain->CandidatesFor(url)) {
        UseCandidate(curl, candidate);
        result = curl_easy_perform(curl);
        if (ProxyUnreachable(result, candidate)) {
            LogOnce("Proxy\t" + ProxyForLog(candidate.proxy) + " (" +
                    ProxySourceName(candidate.source) + ") cannot be reached, CURLcode(" +
                    std::to_string(static_cast<int>(result)) + "): the next candidate is tried");
            continue;
        }
        long tunnelCode = 0, code = 0;
        curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &tunnelCode);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        if (!candidate.IsDirect() && (tunnelCode == 407 || code == 407)) {
            long offered = 0;
            curl_easy_getinfo(curl, CURLINFO_PROXYAUTH_AVAIL, &offered);
            LogOnce("Proxy\t" + ProxyForLog(candidate.proxy) +
                    " refused the sign-in (407); it offers: " + AuthSchemeNames(offered));
            return result == CURLE_OK ? CURLE_HTTP_RETURNED_ERROR : result;
        }
        if ((result == CURLE_OK || code > 0) && chain->NoteReached(url, candidate))
            Log("Proxy\t" + UrlServer(url) + " " + Described(candidate));
        return result;
    }
    return result;
}
