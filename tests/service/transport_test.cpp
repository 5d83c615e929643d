// QueryService against real HTTP servers on 127.0.0.1: the envelope rules, the server
// rotation, failures of the transfer and the log lines.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "service/http_transport.h"
#include "service_test_support.h"
#include "support/refusing_port.h"

using service_test::AnswerWith;
using service_test::LoggedContext;
using test_support::HttpTestServer;
using test_support::RefusingPort;

namespace {

const std::wstring kQuery = L"comname=Vornel&appid=qz&action=getver";

// How the first of two servers answers; the second always answers OK with one record.
struct AnswerCase {
    const char* name;
    std::function<void(HttpTestServer&)> setUp;
    bool ok;
    const wchar_t* resultText;  // nullptr: left untouched
    bool secondAsked;
    std::wstring firstValue;  // field "v" of the first record, or "-" for no records
};

void Respond(HttpTestServer& server, int status, const std::string& body) {
    server.Handle("/inst/", [status, body](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(body, status == 200 ? "text/plain" : "text/html");
    });
}

TEST(QueryService, AnswerEnvelopes) {
    const AnswerCase cases[] = {
        {"OK with records", [](HttpTestServer& s) { Respond(s, 200, "OK[{'v':'first'}]"); }, true,
         L"OK", false, L"first"},
        {"bare OK", [](HttpTestServer& s) { Respond(s, 200, "OK"); }, true, L"OK", false, L"-"},
        {"OK with empty array", [](HttpTestServer& s) { Respond(s, 200, "OK[]"); }, true, L"OK",
         false, L"-"},
        {"OK with non-JSON payload", [](HttpTestServer& s) { Respond(s, 200, "OK<html>"); }, true,
         L"OK", false, L"-"},
        {"lower-case ok", [](HttpTestServer& s) { Respond(s, 200, "ok[{'v':'x'}]"); }, true, L"OK",
         true, L"second"},
        {"ER stops", [](HttpTestServer& s) { Respond(s, 200, "ER unknown appid"); }, false,
         L"ER unknown appid", false, L"-"},
        {"404 page", [](HttpTestServer& s) { Respond(s, 404, "<html>Not Found</html>"); }, true,
         L"OK", true, L"second"},
        {"500 page", [](HttpTestServer& s) { Respond(s, 500, "<html>Error</html>"); }, true, L"OK",
         true, L"second"},
        {"empty body", [](HttpTestServer& s) { Respond(s, 200, ""); }, true, L"OK", true,
         L"second"},
        {"NUL ends the body",
         [](HttpTestServer& s) { Respond(s, 200, std::string("OK[{'v':'a'}]\0ER", 16)); }, true,
         L"OK", false, L"a"},
        {"NUL first", [](HttpTestServer& s) { Respond(s, 200, std::string("\0OK[]", 5)); }, true,
         L"OK", true, L"second"},
        {"redirect not followed",
         [](HttpTestServer& s) {
             s.Handle("/inst/", [](const httplib::Request&, httplib::Response& res) {
                 res.status = 302;
                 res.set_header("Location", "/moved/");
                 res.set_content("<html>moved</html>", "text/html");
             });
             s.Handle("/moved/", [](const httplib::Request&, httplib::Response& res) {
                 res.set_content("OK[{'v':'moved'}]", "text/plain");
             });
         },
         true, L"OK", true, L"second"},
        {"connection closed early",
         [](HttpTestServer& s) {
             s.Handle("/inst/", [](const httplib::Request&, httplib::Response& res) {
                 // Promises 100 bytes, sends 4 and gives up.
                 res.set_content_provider(100, "text/plain",
                                          [](size_t, size_t, httplib::DataSink& sink) {
                                              sink.write("OK[{", 4);
                                              return false;
                                          });
             });
         },
         true, L"OK", true, L"second"},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        HttpTestServer first, second;
        ASSERT_TRUE(first.Running() && second.Running());
        c.setUp(first);
        AnswerWith(second, "OK[{'v':'second'}]");
        LoggedContext logged({first.WideHostPort(), second.WideHostPort()});

        ServiceRecordList records = {{{L"old", L"kept"}}};
        std::wstring resultText = L"untouched";
        const bool ok = logged.context->QueryService(kQuery, records, resultText);

        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(resultText, c.resultText);
        EXPECT_EQ(second.RequestCount(), c.secondAsked ? 1U : 0U);
        if (!c.ok) {
            EXPECT_EQ(records, (ServiceRecordList{{{L"old", L"kept"}}}));
        } else if (c.firstValue == L"-") {
            EXPECT_TRUE(records.empty());
        } else {
            ASSERT_FALSE(records.empty());
            EXPECT_EQ(records[0][L"v"], c.firstValue);
        }
        // A redirect is never followed.
        for (const std::string& target : first.Targets())
            EXPECT_EQ(target.rfind("/inst/?", 0), 0U) << target;
    }
}

TEST(QueryService, EveryEntryFailingLeavesOutputsAlone) {
    HttpTestServer first, second;
    Respond(first, 404, "<html>Not Found</html>");
    Respond(second, 200, "<html>maintenance</html>");
    LoggedContext logged({first.WideHostPort(), second.WideHostPort()});
    ServiceRecordList records = {{{L"old", L"kept"}}};
    std::wstring resultText = L"untouched";
    EXPECT_FALSE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(resultText, L"untouched");
    EXPECT_EQ(records, (ServiceRecordList{{{L"old", L"kept"}}}));
    EXPECT_EQ(first.RequestCount(), 1U);
    EXPECT_EQ(second.RequestCount(), 1U);
    EXPECT_EQ(logged.context->lastTransferResult, 0);  // both transfers completed
}

TEST(QueryService, EmptyServerListSendsAndLogsNothing) {
    LoggedContext logged({});
    ServiceRecordList records;
    std::wstring resultText = L"untouched";
    EXPECT_FALSE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(resultText, L"untouched");
    EXPECT_EQ(logged.LogText(), L"");
}

TEST(QueryService, AnsweringEntryIsCopiedToTheFront) {
    HttpTestServer notFound, answering, fourth, fifth;
    Respond(notFound, 404, "<html>Not Found</html>");
    AnswerWith(answering, "OK[]");
    AnswerWith(fourth, "OK[]");
    AnswerWith(fifth, "OK[]");
    const RefusingPort refusing;
    const std::wstring refused = L"127.0.0.1:" + std::to_wstring(refusing.Port());
    LoggedContext logged({refused, notFound.WideHostPort(), answering.WideHostPort(),
                          fourth.WideHostPort(), fifth.WideHostPort()});
    ServiceRecordList records;
    std::wstring resultText;

    ASSERT_TRUE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(logged.context->serverList,
              (std::vector<std::wstring>{answering.WideHostPort(), notFound.WideHostPort(),
                                         answering.WideHostPort(), fourth.WideHostPort(),
                                         fifth.WideHostPort()}));

    // The next query starts with the entry that answered.
    ASSERT_TRUE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(answering.RequestCount(), 2U);
    EXPECT_EQ(notFound.RequestCount(), 1U);
    EXPECT_EQ(fourth.RequestCount() + fifth.RequestCount(), 0U);
}

TEST(QueryService, TransferFailuresGiveTheirCodes) {
    const RefusingPort refused;
    LoggedContext logged({L"127.0.0.1:" + std::to_wstring(refused.Port())});
    ServiceRecordList records;
    std::wstring resultText;
    EXPECT_FALSE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(logged.context->lastTransferResult, 7);  // could not connect
    EXPECT_NE(logged.LogText().find(L"\tHttpGet\t\tfaild\r\n"), std::wstring::npos);
}

TEST(QueryService, StallingServerTimesOutAfterThreeSeconds) {
    // The answer is held back until the client has given up, however slow the machine.
    std::atomic<bool> clientDone{false};
    HttpTestServer stalling;
    stalling.Handle("/inst/", [&clientDone](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 2400 && !clientDone; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        res.set_content("OK[]", "text/plain");
    });
    LoggedContext logged({stalling.WideHostPort()});
    ServiceRecordList records;
    std::wstring resultText = L"untouched";
    EXPECT_FALSE(logged.context->QueryService(kQuery, records, resultText));
    clientDone = true;
    EXPECT_EQ(logged.context->lastTransferResult, 28);  // operation timed out
    EXPECT_EQ(resultText, L"untouched");
    EXPECT_NE(logged.LogText().find(L"\tHttpGet\t\tfaild\r\n"), std::wstring::npos);
}

TEST(QueryService, UrlSchemeFollowsTheColonRule) {
    HttpTestServer server;
    AnswerWith(server, "ER stop");
    // No colon and a leading colon go over https (nothing listens there: they fail).
    LoggedContext logged({L"127.0.0.1", L":1", server.WideHostPort()});
    ServiceRecordList records;
    std::wstring resultText;
    EXPECT_FALSE(logged.context->QueryService(kQuery, records, resultText));
    EXPECT_EQ(resultText, L"ER stop");
    const std::wstring log = logged.LogText();
    for (const std::wstring& url :
         {L"https://127.0.0.1/inst/?" + kQuery, L"https://:1/inst/?" + kQuery,
          L"http://" + server.WideHostPort() + L"/inst/?" + kQuery})
        EXPECT_NE(log.find(L"\tHttpGet\t\t" + url + L"\r\n"), std::wstring::npos) << url;
    EXPECT_NE(log.find(L"\tHttpResponse\tER stop\r\n"), std::wstring::npos);
    EXPECT_EQ(server.Targets(),
              std::vector<std::string>{"/inst/?comname=Vornel&appid=qz&action=getver"});
}

TEST(QueryService, AnswerTextGoesThroughTheSystemCodePage) {
    HttpTestServer server;
    // U+534E U+6587 (in code page 936) and U+0E01 (not in it).
    AnswerWith(server, "OK[{'title':'\xE5\x8D\x8E\xE6\x96\x87','thai':'\xE0\xB8\x81'}]");
    LoggedContext logged({server.WideHostPort()});
    ServiceRecord record;
    std::wstring resultText;
    ASSERT_TRUE(logged.context->QueryServiceRecord(kQuery, record, resultText));
    EXPECT_EQ(record[L"title"], L"\u534E\u6587");
#ifdef _WIN32
    EXPECT_EQ(record[L"thai"], L"?");  // the code page's default character
#else
    EXPECT_EQ(record[L"thai"], L"\u0E01");
#endif
    EXPECT_NE(logged.LogText().find(L"\u534E\u6587"), std::wstring::npos);
}

TEST(QueryServiceRecord, FirstRecordReplacesTheCallersRecord) {
    struct Case {
        const char* answer;
        bool ok;
        ServiceRecord expected;
    } cases[] = {
        {"OK[{'a':'1'},{'a':'2'}]", true, {{L"a", L"1"}}},
        {"OK[]", true, {{L"old", L"kept"}}},
        {"OK", true, {{L"old", L"kept"}}},
        {"ER no", false, {{L"old", L"kept"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        HttpTestServer server;
        AnswerWith(server, c.answer);
        LoggedContext logged({server.WideHostPort()});
        ServiceRecord record = {{L"old", L"kept"}};
        std::wstring resultText;
        EXPECT_EQ(logged.context->QueryServiceRecord(kQuery, record, resultText), c.ok);
        EXPECT_EQ(record, c.expected);
    }
}

TEST(QueryService, HugeAnswerIsReadWhole) {
    HttpTestServer server;
    const std::string value(1024 * 1024, 'x');
    AnswerWith(server, "OK[{'v':'" + value + "'}]");
    LoggedContext logged({server.WideHostPort()});
    ServiceRecordList records;
    std::wstring resultText;
    ASSERT_TRUE(logged.context->QueryService(kQuery, records, resultText));
    ASSERT_EQ(records.size(), 1U);
    EXPECT_EQ(records[0][L"v"].size(), value.size());
}

}  // namespace
