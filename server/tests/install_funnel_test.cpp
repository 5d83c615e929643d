// The install funnel over a small fixture of events: each kind of installation on its
// own (a table of cases), then all of them together as the report prints them.
#include <gtest/gtest.h>

#include <sstream>

#include "event_sink.h"
#include "funnel_format.h"
#include "install_funnel.h"
#include "live_service.h"
#include "platform/text_codec.h"
#include "report_command.h"
#include "support/temp_dir.h"

namespace {

using service::ApplicationFunnel;
using service::BuildFunnel;
using service::FunnelWindow;

struct Installation {
    std::string guid;
    std::string version;  // empty: no plan
    std::string os, net20, net40;
    std::vector<std::string> plan;
    std::vector<std::string> downloaded;
    bool finished;
    std::string time = "2026-11-02T10:00:00Z";
};

Json::Value Event(const Installation& one, const char* name) {
    Json::Value event;
    event["event"] = name;
    event["guid"] = one.guid;
    event["comname"] = "Vornel";
    event["appid"] = "qz";
    event["client"] = "10.0.0.1";
    event["time"] = one.time;
    return event;
}

std::vector<Json::Value> Events(const Installation& one) {
    std::vector<Json::Value> events{Event(one, "firstpage")};
    if (one.version.empty())
        return events;
    Json::Value plan = Event(one, "needdown");
    plan["ver"] = one.version;
    plan["os"] = one.os;
    plan["Net20"] = one.net20;
    plan["Net40"] = one.net40;
    plan["files"] = Json::Value(Json::arrayValue);
    for (const auto& file : one.plan)
        plan["files"].append(file);
    events.push_back(plan);
    for (const auto& file : one.downloaded) {
        Json::Value ftpok = Event(one, "ftpok");
        ftpok["filename"] = file;
        events.push_back(ftpok);
    }
    if (one.finished)
        events.push_back(Event(one, "setupok"));
    return events;
}

const std::vector<std::string> kPlan = {"app.zip", "data.zip", "setup.exe"};

const Installation kFinished{"G-1", "2.0", "win10", "N", "Y", kPlan, kPlan, true};
const Installation kAfterPlan{"G-2", "2.0", "win7", "Y", "N", kPlan, {}, false};
const Installation kSecondFailed{"G-3", "2.0", "win10", "N", "Y", kPlan, {"app.zip"}, false};
const Installation kOldVersion{"G-4", "1.9", "winxp", "Y", "N", {"app.zip"}, {"app.zip"}, true};
const Installation kNoPlan{"G-5", "", "", "", "", {}, {}, false};

TEST(InstallFunnel, EachKindOfInstallationCountsAtItsSteps) {
    const struct {
        const char* name;
        Installation one;
        std::vector<uint64_t> downloaded;  // per package of the plan
        uint64_t finished;
        std::string stoppedAfter;  // empty: not stopped
    } cases[] = {
        {"finished", kFinished, {1, 1, 1}, 1, ""},
        {"stopped after needdown", kAfterPlan, {0, 0, 0}, 0, "needdown"},
        {"second package failed", kSecondFailed, {1, 0, 0}, 0, "ftpok app.zip"},
        {"other version", kOldVersion, {1}, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto funnel = BuildFunnel(Events(c.one), {});
        ASSERT_EQ(funnel.size(), 1u);
        EXPECT_EQ(funnel[0].started, 1u);
        EXPECT_EQ(funnel[0].planned, 1u);
        ASSERT_EQ(funnel[0].versions.size(), 1u);
        const auto& version = funnel[0].versions[0];
        EXPECT_EQ(version.version, c.one.version);
        ASSERT_EQ(version.packages.size(), c.downloaded.size());
        for (size_t i = 0; i < c.downloaded.size(); ++i) {
            EXPECT_EQ(version.packages[i].filename, c.one.plan[i]);
            EXPECT_EQ(version.packages[i].planned, 1u);
            EXPECT_EQ(version.packages[i].downloaded, c.downloaded[i]) << c.one.plan[i];
        }
        EXPECT_EQ(version.finished, c.finished);
        if (c.stoppedAfter.empty()) {
            EXPECT_TRUE(version.stopped.empty());
        } else {
            ASSERT_EQ(version.stopped.size(), 1u);
            EXPECT_EQ(version.stopped[0].lastStep, c.stoppedAfter);
            EXPECT_EQ(version.stopped[0].os, c.one.os);
            EXPECT_EQ(version.stopped[0].net20, c.one.net20);
            EXPECT_EQ(version.stopped[0].net40, c.one.net40);
        }
    }
}

std::vector<Json::Value> Fixture() {
    std::vector<Json::Value> events;
    for (const auto& one : {kFinished, kAfterPlan, kSecondFailed, kOldVersion, kNoPlan})
        for (auto& event : Events(one))
            events.push_back(event);
    // A repeated report counts once; events without a guid belong to no installation.
    Json::Value again = Events(kFinished)[2];
    events.push_back(again);
    Installation anonymous = kFinished;
    anonymous.guid = "";
    for (auto& event : Events(anonymous))
        events.push_back(event);
    // Started before the window: left out when the window is given.
    Installation early = kFinished;
    early.guid = "G-0";
    early.time = "2026-10-31T23:59:59Z";
    for (auto& event : Events(early))
        events.push_back(event);
    return events;
}

const char kFixtureCsv[] =
    "comname,appid,version,step,package,installations,of,rate_percent,os,Net20,Net40,"
    "stopped_after\n"
    "Vornel,qz,,firstpage,,5,,,,,,\n"
    "Vornel,qz,,needdown,,4,5,80.0,,,,\n"
    "Vornel,qz,1.9,needdown,,1,,,,,,\n"
    "Vornel,qz,1.9,ftpok,app.zip,1,1,100.0,,,,\n"
    "Vornel,qz,1.9,setupok,,1,1,100.0,,,,\n"
    "Vornel,qz,2.0,needdown,,3,,,,,,\n"
    "Vornel,qz,2.0,ftpok,app.zip,2,3,66.7,,,,\n"
    "Vornel,qz,2.0,ftpok,data.zip,1,3,33.3,,,,\n"
    "Vornel,qz,2.0,ftpok,setup.exe,1,3,33.3,,,,\n"
    "Vornel,qz,2.0,setupok,,1,3,33.3,,,,\n"
    "Vornel,qz,2.0,stopped,,1,,,win10,N,Y,ftpok app.zip\n"
    "Vornel,qz,2.0,stopped,,1,,,win7,Y,N,needdown\n";

const char kFixtureText[] =
    "Installations started from 2026-11-01T00:00:00Z to the last\n"
    "\n"
    "Vornel/qz\n"
    "  started (firstpage)                                             5\n"
    "  got a plan (needdown)                                           4    80.0 % of started\n"
    "  version 1.9\n"
    "    got a plan (needdown)                                         1\n"
    "    downloaded app.zip (ftpok)                                    1   100.0 % of 1 planned\n"
    "    finished (setupok)                                            1   100.0 % of plans\n"
    "  version 2.0\n"
    "    got a plan (needdown)                                         3\n"
    "    downloaded app.zip (ftpok)                                    2    66.7 % of 3 planned\n"
    "    downloaded data.zip (ftpok)                                   1    33.3 % of 3 planned\n"
    "    downloaded setup.exe (ftpok)                                  1    33.3 % of 3 planned\n"
    "    finished (setupok)                                            1    33.3 % of plans\n"
    "    stopped: os=win10 Net20=N Net40=Y after ftpok app.zip         1\n"
    "    stopped: os=win7 Net20=Y Net40=N after needdown               1\n";

TEST(InstallFunnel, FixtureAsCsvAndText) {
    const FunnelWindow window{"2026-11-01T00:00:00Z", ""};
    const auto funnel = BuildFunnel(Fixture(), window);
    EXPECT_EQ(service::FunnelCsv(funnel), kFixtureCsv);

    EXPECT_EQ(service::FunnelText(funnel, window), kFixtureText);
    // Without a window the early installation counts as well.
    EXPECT_EQ(BuildFunnel(Fixture(), {})[0].started, 6u);
}

TEST(InstallFunnel, ValuesFromRequestsCannotBreakTheCsv) {
    Installation odd = kAfterPlan;
    odd.os = "=cmd|' /C calc'!A0";
    odd.net20 = "a,\"b\"";
    const std::string csv = service::FunnelCsv(BuildFunnel(Events(odd), {}));
    EXPECT_NE(csv.find(",'=cmd|' /C calc'!A0,\"a,\"\"b\"\"\",N,needdown\n"), std::string::npos)
        << csv;
}

TEST(ReportCommand, ReadsEventLogsOfSeveralInstances) {
    ScopedTempDir temp;
    const std::string dir = text::WideToUtf8(temp.path());
    std::string first, second;
    const auto events = Fixture();
    for (size_t i = 0; i < events.size(); ++i)
        (i % 2 ? first : second) += service::EventLine(events[i]);
    WriteFile(dir + "/a.jsonl", first + "{\"event\":\"ftpok\",\"gu");  // cut off by a crash
    WriteFile(dir + "/b.jsonl", second);
    std::ostringstream out, err;
    EXPECT_EQ(service::RunReport({"--events", dir + "/a.jsonl", "--events", dir + "/b.jsonl",
                                  "--from", "2026-11-01", "--format", "csv"},
                                 out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), kFixtureCsv);

    const struct {
        std::vector<std::string> args;
        int code;
        const char* complaint;
    } faults[] = {
        {{"--events", dir + "/missing.jsonl"}, 1, "cannot read"},
        {{"--from", "yesterday"}, 2, "bad argument --from"},
        {{"--format", "xml"}, 2, "bad argument --format"},
        {{"--events", "postgresql://user:pw@127.0.0.1:1/x"}, 1, "PGPASSFILE"},
    };
    for (const auto& fault : faults) {
        std::ostringstream faultOut, faultErr;
        EXPECT_EQ(service::RunReport(fault.args, faultOut, faultErr), fault.code);
        EXPECT_NE(faultErr.str().find(fault.complaint), std::string::npos) << faultErr.str();
    }
}

}  // namespace
