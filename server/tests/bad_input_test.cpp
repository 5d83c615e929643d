// Malformed and hostile requests to the install service: an "ER" answer or a 4xx
// status each, and the service keeps answering.
#include <gtest/gtest.h>
#include <httplib.h>

#include "live_service.h"

namespace {

const std::string kBase = "/inst/?comname=Vornel&appid=qz";

TEST(ServiceBadInput, EachMalformedQueryIsAnsweredWithItsError) {
    LiveService live;
    httplib::Client client("127.0.0.1", live.ServicePort());
    client.set_connection_timeout(3);
    client.set_read_timeout(5);
    const std::string huge(600, 'a');
    const struct {
        std::string target;
        std::string answer;
    } cases[] = {
        {"/inst/?appid=qz&action=getver", "ER missing parameter comname"},
        {"/inst/?comname=Vornel&action=getver", "ER missing parameter appid"},
        {kBase, "ER missing parameter action"},
        {kBase + "&action=", "ER missing parameter action"},
        {"/inst/", "ER missing parameter comname"},
        {"/inst/?&&=&==&", "ER missing parameter comname"},
        {kBase + "&action=DownServerList", "ER unknown action DownServerList"},
        {kBase + "&action=getver&action=needdown", "ER parameter action is repeated"},
        {kBase + "&action=getver&x=" + huge, "ER parameter x is too long"},
        {"/inst/?comname=" + huge + "&appid=qz&action=getver", "ER parameter comname is too long"},
        {kBase + "&action=needdown&guid=", "ER missing parameter netver"},
        {kBase + "&action=needdown&netver=2.0", "ER missing parameter guid"},
        {kBase + "&action=needdown&netver=2.0&guid=not-a-guid", "ER bad guid not-a-guid"},
        {kBase + "&action=createicon", "ER missing parameter netver"},
        {kBase + "&action=getftp&filename=x", "ER missing parameter serverno"},
        {kBase + "&action=getftp&serverno=..%2F..%2Fetc", "ER unknown server ../../etc"},
        {kBase + "&action=ftpok&guid=", "ER missing parameter filename"},
        {kBase + "&action=ftpok&filename=..%2Fmain.zip&guid=", "ER unknown file ../main.zip"},
        {kBase + "&action=setupok", "ER missing parameter guid"},
        // Control bytes and non-ASCII in an echoed value come back as "?".
        {kBase + "&action=get%0D%0Aver%E4%B8%AD", "ER unknown action get??ver???"},
        {"/inst/?comname=Vornel%27%22&appid=qz&action=getver", "ER unknown company Vornel'\""},
    };
    for (const auto& c : cases) {
        const auto result = client.Get(c.target.c_str());
        ASSERT_TRUE(result) << c.target;
        EXPECT_EQ(result->status, 200) << c.target;
        EXPECT_EQ(result->body, c.answer) << c.target;
    }
}

TEST(ServiceBadInput, OnlyTheTrustedProxyNamesTheClient) {
    const struct {
        const char* trustedProxy;
        const char* header;
        const char* client;
    } cases[] = {
        {"", "203.0.113.7", "127.0.0.1"},
        {"127.0.0.9", "203.0.113.7", "127.0.0.1"},
        {"127.0.0.1", "203.0.113.7", "203.0.113.7"},
        {"127.0.0.1", "a\"b\x01", "a\"b?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trustedProxy);
        LiveService live(c.trustedProxy);
        httplib::Client client("127.0.0.1", live.ServicePort());
        const auto result =
            client.Get((kBase + "&action=setupok&guid=").c_str(), {{"X-Real-IP", c.header}});
        ASSERT_TRUE(result);
        const auto events = ReadEvents(live.EventsPath());
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0]["client"].asString(), c.client);
    }
}

TEST(ServiceBadInput, RequestsOutsideTheProtocolGetAClientError) {
    LiveService live;
    httplib::Client client("127.0.0.1", live.ServicePort());
    client.set_connection_timeout(3);
    client.set_read_timeout(5);
    const std::string longUrl = kBase + "&action=getver&pad=" + std::string(20000, 'b');
    const struct {
        std::string method;
        std::string target;
        int low;
        int high;
    } cases[] = {
        {"GET", "/", 404, 404},
        {"GET", "/inst/../etc/passwd", 400, 404},
        {"GET", "/instx/?comname=Vornel", 404, 404},
        {"GET", longUrl, 414, 414},
        {"POST", kBase + "&action=getver", 400, 405},
        {"DELETE", kBase + "&action=getver", 400, 405},
    };
    for (const auto& c : cases) {
        httplib::Request request;
        request.method = c.method;
        request.path = c.target;
        const auto result = client.send(request);
        ASSERT_TRUE(result) << c.method << " " << c.target.substr(0, 80);
        EXPECT_GE(result->status, c.low) << c.target.substr(0, 80);
        EXPECT_LE(result->status, c.high) << c.target.substr(0, 80);
    }
    // After all of it the service still answers.
    const auto after = client.Get((kBase + "&action=getver").c_str());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->body.substr(0, 3), "OK[");
}

TEST(ServiceBadInput, RefusedRequestsLeaveNoEvent) {
    LiveService live;
    httplib::Client client("127.0.0.1", live.ServicePort());
    client.set_read_timeout(5);
    for (const char* target : {"/inst/?comname=Vornel&appid=qz&action=ftpok&filename=zz&guid=",
                               "/inst/?comname=Vornel&appid=qz&action=setupok&guid=bad",
                               "/inst/?comname=Nobody&appid=qz&action=firstpage"}) {
        const auto result = client.Get(target);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->body.substr(0, 2), "ER") << target;
    }
    EXPECT_TRUE(ReadEvents(live.EventsPath()).empty());
}

}  // namespace
