#include "download/proxy_chain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "download/proxy_discovery.h"

namespace {

const ProxyCandidate kDirect{};

ProxyCandidate Proxy(const char* proxy, ProxySource source = ProxySource::Settings) {
    return ProxyCandidate{proxy, source};
}

TEST(ProxyChainTest, TriesTheDiscoveredChainThenDirect) {
    ProxyChain chain([](const std::string&) {
        return std::vector<ProxyCandidate>{Proxy("http://pac:1", ProxySource::Pac),
                                           Proxy("http://manual:2")};
    });
    EXPECT_EQ(chain.CandidatesFor("https://svc/inst/"),
              (std::vector<ProxyCandidate>{Proxy("http://pac:1", ProxySource::Pac),
                                           Proxy("http://manual:2"), kDirect}));
}

TEST(ProxyChainTest, ADiscoveredDirectConnectionIsNotTriedTwice) {
    ProxyChain chain([](const std::string&) {
        return std::vector<ProxyCandidate>{ProxyCandidate{"", ProxySource::Pac},
                                           Proxy("http://manual:2")};
    });
    EXPECT_EQ(chain.CandidatesFor("http://svc/"),
              (std::vector<ProxyCandidate>{ProxyCandidate{"", ProxySource::Pac},
                                           Proxy("http://manual:2")}));
}

TEST(ProxyChainTest, TheWordsProxyIsTheOnlyCandidate) {
    ProxyChain chain([](const std::string&) {
        return std::vector<ProxyCandidate>{ProxyWordCandidate("127.0.0.1:3128")};
    });
    EXPECT_EQ(chain.CandidatesFor("http://svc/"),
              std::vector<ProxyCandidate>{Proxy("http://127.0.0.1:3128", ProxySource::Word)});
}

TEST(ProxyChainTest, RemembersPerServerWhatReachedIt) {
    ProxyChain chain([](const std::string&) {
        return std::vector<ProxyCandidate>{Proxy("http://a:1"), Proxy("http://b:2")};
    });
    // The first proxy could not connect; the second reached the server.
    EXPECT_TRUE(chain.NoteReached("http://svc:80/x", Proxy("http://b:2")));
    EXPECT_EQ(chain.CandidatesFor("http://svc:80/other"),
              (std::vector<ProxyCandidate>{Proxy("http://b:2"), Proxy("http://a:1"), kDirect}));
    // Another server, and the same host over another scheme, start from the chain.
    EXPECT_EQ(chain.CandidatesFor("http://mirror/x").front(), Proxy("http://a:1"));
    EXPECT_EQ(chain.CandidatesFor("ftp://svc:80/x").front(), Proxy("http://a:1"));
    // The same proxy again is no change; another one, or direct, is.
    EXPECT_FALSE(chain.NoteReached("http://svc:80/y", Proxy("http://b:2")));
    EXPECT_TRUE(chain.NoteReached("http://svc:80/y", kDirect));
    EXPECT_EQ(chain.CandidatesFor("http://svc:80/").front(), kDirect);
}

TEST(ProxyChainTest, AFirstDirectConnectionIsAChangeOnlyWhereAProxyWasNamed) {
    ProxyChain chain([](const std::string& url) {
        if (url.find("proxied") != std::string::npos)
            return std::vector<ProxyCandidate>{Proxy("http://a:1")};
        return std::vector<ProxyCandidate>{ProxyCandidate{"", ProxySource::Environment}};
    });
    const ProxyCandidate environmentDirect{"", ProxySource::Environment};
    EXPECT_EQ(chain.CandidatesFor("http://svc/"), std::vector<ProxyCandidate>{environmentDirect});
    EXPECT_FALSE(chain.NoteReached("http://svc/", environmentDirect));
    // The named proxy could not connect: going direct is worth a line.
    EXPECT_TRUE(chain.NoteReached("http://proxied/", kDirect));
    EXPECT_FALSE(chain.NoteReached("http://proxied/", kDirect));
}

TEST(ProxyChainTest, DiscoversOncePerServerEvenWhenAskedAtOnce) {
    std::atomic<int> discoveries{0};
    ProxyChain chain([&](const std::string&) {
        ++discoveries;
        return std::vector<ProxyCandidate>{Proxy("http://a:1")};
    });
    chain.Prefetch("http://svc/inst/");
    std::vector<std::thread> threads;
    for (int i = 0; i < 10; ++i)
        threads.emplace_back([&] { chain.CandidatesFor("http://SVC/block"); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(discoveries.load(), 1);
    chain.CandidatesFor("http://other/");
    EXPECT_EQ(discoveries.load(), 2);
}

}  // namespace
