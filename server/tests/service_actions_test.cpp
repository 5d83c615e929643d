// Every action of the install service, asked and decoded by the installer's own client.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "app/install_context.h"
#include "live_service.h"
#include "platform/text_codec.h"
#include "service/common.h"

namespace {

class ServiceActions : public ::testing::Test {
  protected:
    ServiceActions()
        : context_({text::Utf8ToWide(live_.ServiceAddress())},
                   text::Utf8ToWide(live_.Root()) + L"/Install.log") {}

    std::vector<std::wstring> Names(const ServiceRecordList& records, const wchar_t* field) {
        std::vector<std::wstring> names;
        for (const auto& record : records)
            names.push_back(FieldOf(record, field));
        return names;
    }

    LiveService live_;
    CInstallContext context_;
    std::wstring result_;
};

TEST_F(ServiceActions, DownServerListNamesEachServerAndItsProtocol) {
    ServiceRecordList servers;
    ASSERT_TRUE(context_.DownServerList(servers, result_)) << result_;
    EXPECT_EQ(result_, L"OK");
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0], (ServiceRecord{{L"ip", text::Utf8ToWide(live_.MirrorAddress())},
                                         {L"http", L"Y"},
                                         {L"ftp", L"N"}}));
    EXPECT_EQ(servers[1],
              (ServiceRecord{
                  {L"ip", text::Utf8ToWide(live_.FtpAddress())}, {L"http", L"N"}, {L"ftp", L"Y"}}));
}

TEST_F(ServiceActions, FirstPageHandsOutAFreshGuidEachTimeAndLogsIt) {
    ServiceRecord first;
    ServiceRecord second;
    ASSERT_TRUE(context_.FirstPage(first, result_)) << result_;
    ASSERT_TRUE(context_.FirstPage(second, result_)) << result_;
    // Every catalog field arrives unchanged, backslashes and Chinese text included.
    EXPECT_EQ(first[L"title"], L"测试程序");
    EXPECT_EQ(first[L"titlecolor"], L"red");
    EXPECT_EQ(first[L"titlesize"], L"18");
    EXPECT_EQ(first[L"bodytext"], L"<b>hello</b><br>world");
    EXPECT_EQ(first[L"setuppath"], L"C:\\Apps\\Qz");
    EXPECT_EQ(first[L"copyright"], L"/app/agree.txt");
    EXPECT_EQ(first[L"leftjpg"], L"app/side.bmp");
    EXPECT_EQ(first[L"needsize"], L"12");
    const std::wregex guidForm(L"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(first[L"guid"], guidForm)) << text::WideToUtf8(first[L"guid"]);
    EXPECT_NE(first[L"guid"], second[L"guid"]);

    const auto events = ReadEvents(live_.EventsPath());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["event"].asString(), "firstpage");
    EXPECT_EQ(events[0]["guid"].asString(), text::WideToUtf8(first[L"guid"]));
    EXPECT_EQ(events[1]["guid"].asString(), text::WideToUtf8(second[L"guid"]));
    EXPECT_EQ(events[0]["comname"].asString(), "Vornel");
    EXPECT_EQ(events[0]["appid"].asString(), "qz");
    EXPECT_TRUE(events[0].isMember("cardno"));
    EXPECT_TRUE(events[0].isMember("time"));
}

TEST_F(ServiceActions, ListActionsAnswerTheCatalogRecords) {
    ServiceRecordList versions;
    ASSERT_TRUE(context_.GetVer(versions, result_)) << result_;
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0], (ServiceRecord{{L"ver", L"2.1"}, {L"note", L"current"}}));
    // A field the first record has and a later one lacks arrives empty.
    EXPECT_EQ(versions[1], (ServiceRecord{{L"ver", L"2.0"}, {L"note", L""}}));

    ServiceRecordList programs;
    ASSERT_TRUE(context_.AppExe(programs, result_)) << result_;
    ASSERT_EQ(programs.size(), 2u);
    EXPECT_EQ(programs[0], (ServiceRecord{{L"path", L"tools"}, {L"exename", L"t.exe"}}));
    EXPECT_EQ(programs[1], (ServiceRecord{{L"path", L""}, {L"exename", L"u.exe"}}));

    ServiceRecordList kept;
    ASSERT_TRUE(context_.AppFilesNot(kept, result_)) << result_;
    EXPECT_EQ(Names(kept, L"filename"), (std::vector<std::wstring>{L"*.db", L"user.cfg"}));

    ServiceRecord company;
    ASSERT_TRUE(context_.CompanyName(company, result_)) << result_;
    EXPECT_EQ(company[L"DisplayName"], L"Qz 测试");
    EXPECT_EQ(company[L"Publisher"], L"Vornel");
    // The catalog names no date: the service gives today's, as yyyymmdd.
    EXPECT_TRUE(std::regex_match(company[L"InstallDate"], std::wregex(L"20[0-9]{6}")));
}

TEST_F(ServiceActions, CreateIconFollowsTheRuntimeGeneration) {
    const struct {
        const wchar_t* netver;
        std::vector<std::wstring> names;
    } cases[] = {{L"2.0", {L"Qz"}}, {L"4.0", {L"Qz", L"Qz 4"}}};
    for (const auto& c : cases) {
        context_.SetParam(L"netver", c.netver);
        ServiceRecordList icons;
        ASSERT_TRUE(context_.CreateIcon(icons, result_)) << result_;
        EXPECT_EQ(Names(icons, L"name"), c.names) << text::WideToUtf8(c.netver);
    }
    context_.SetParam(L"netver", L"4.0");
    ServiceRecordList icons;
    ASSERT_TRUE(context_.CreateIcon(icons, result_));
    EXPECT_EQ(icons[1], (ServiceRecord{{L"type", L"menu"},
                                       {L"name", L"Qz 4"},
                                       {L"icon", L"bin\\qz4.exe"},
                                       {L"exename", L"bin\\qz4.exe"}}));
}

TEST_F(ServiceActions, NeedDownChoosesPackagesByRuntimeVersionAndMachine) {
    const bool net40 = Ccommon::IsNet40Installed();
    const struct {
        const wchar_t* netver;
        const wchar_t* ver;
        std::vector<std::wstring> files;
    } cases[] = {
        {L"2.0", L"", {L"main.zip", L"rt20.zip", L"tiny.bin"}},
        {L"4.0", L"",
         net40 ? std::vector<std::wstring>{L"main.zip", L"rt40.zip", L"tiny.bin"}
               : std::vector<std::wstring>{L"main.zip", L"rt40.zip", L"fw40.exe", L"tiny.bin"}},
        {L"2.0", L"2.0", {L"old.zip", L"rt20.zip", L"tiny.bin"}},
        {L"2.0", L"2.1", {L"main.zip", L"rt20.zip", L"tiny.bin"}},
    };
    for (const auto& c : cases) {
        context_.SetParam(L"netver", c.netver);
        context_.SetParam(L"--ver", c.ver);
        ServiceRecordList plan;
        ASSERT_TRUE(context_.NeedDown(plan, result_)) << result_;
        EXPECT_EQ(Names(plan, L"filename"), c.files)
            << "netver " << text::WideToUtf8(c.netver) << " ver " << text::WideToUtf8(c.ver);
    }
}

TEST_F(ServiceActions, NeedDownRecordsCarryEveryFieldAndTheDecipherablePassword) {
    ServiceRecord first;
    ASSERT_TRUE(context_.FirstPage(first, result_));
    context_.config = first;
    context_.SetParam(L"netver", L"2.0");
    ServiceRecordList plan;
    ASSERT_TRUE(context_.NeedDown(plan, result_)) << result_;
    ASSERT_EQ(plan.size(), 3u);
    const ServiceRecord& main = plan[0];
    EXPECT_EQ(main.at(L"id"), L"main");
    EXPECT_EQ(main.at(L"comname"), L"Vornel");
    EXPECT_EQ(main.at(L"downfilename"), L"/app/main.zip");
    // 300000 bytes are 292.97 KiB: rounded up.
    EXPECT_EQ(main.at(L"filesize"), L"293");
    EXPECT_EQ(main.at(L"ver"), L"2.1");
    EXPECT_FALSE(main.at(L"rarpass").empty());
    EXPECT_NE(main.at(L"rarpass"), text::Utf8ToWide(LiveService::kArchivePassword));
    EXPECT_EQ(main.at(L"rarpassword"), text::Utf8ToWide(LiveService::kArchivePassword));

    const ServiceRecord& runtime = plan[1];
    EXPECT_EQ(runtime.at(L"downfilename"), L"/rt20.zip");  // taken from the file name
    EXPECT_EQ(runtime.at(L"filesize"), L"5");              // as the catalog says
    EXPECT_EQ(runtime.at(L"rarpath"), L"lib");
    EXPECT_EQ(runtime.at(L"rarpass"), L"");
    EXPECT_EQ(runtime.at(L"rarpassword"), L"");

    EXPECT_EQ(plan[2].at(L"filesize"), L"1");  // one byte is one KiB, not zero
    EXPECT_EQ(plan[2].at(L"haveexistsdown"), L"N");

    const auto events = ReadEvents(live_.EventsPath());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1]["event"].asString(), "needdown");
    EXPECT_EQ(events[1]["guid"].asString(), text::WideToUtf8(first[L"guid"]));
    EXPECT_EQ(events[1]["netver"].asString(), "2.0");
    EXPECT_EQ(events[1]["ver"].asString(), "2.1");
    ASSERT_EQ(events[1]["files"].size(), 3u);
    EXPECT_EQ(events[1]["files"][0].asString(), "main.zip");
}

TEST_F(ServiceActions, GetFtpGivesEachServersAccountWithTheDecipherablePassword) {
    const struct {
        std::string server;
        const char* user;
        const char* password;
    } cases[] = {{live_.MirrorAddress(), LiveService::kHttpUser, LiveService::kHttpPassword},
                 {live_.FtpAddress(), LiveService::kFtpUser, LiveService::kFtpPassword}};
    for (const auto& c : cases) {
        ServiceRecord account;
        ASSERT_TRUE(context_.GetFtp(text::Utf8ToWide(c.server), L"/app/main.zip", account, result_))
            << result_;
        EXPECT_EQ(account[L"username"], text::Utf8ToWide(c.user));
        EXPECT_EQ(account[L"password"], text::Utf8ToWide(c.password));
        EXPECT_NE(account[L"Password"], account[L"password"]);
    }
    ServiceRecord account;
    EXPECT_FALSE(context_.GetFtp(L"10.9.9.9", L"/app/main.zip", account, result_));
    EXPECT_EQ(result_.substr(0, 2), L"ER");
}

TEST_F(ServiceActions, FtpOkAndSetupOkAreRecordedAgainstTheGuid) {
    ServiceRecord first;
    ASSERT_TRUE(context_.FirstPage(first, result_));
    context_.config = first;
    ServiceRecord answer;
    ASSERT_TRUE(context_.FtpOk(L"main.zip", answer, result_)) << result_;
    ASSERT_TRUE(context_.SetupOk(answer, result_)) << result_;
    EXPECT_FALSE(context_.FtpOk(L"not-in-catalog.zip", answer, result_));
    EXPECT_EQ(result_.substr(0, 2), L"ER");

    const auto events = ReadEvents(live_.EventsPath());
    ASSERT_EQ(events.size(), 3u);
    const std::string guid = text::WideToUtf8(first[L"guid"]);
    EXPECT_EQ(events[1]["event"].asString(), "ftpok");
    EXPECT_EQ(events[1]["filename"].asString(), "main.zip");
    EXPECT_EQ(events[1]["guid"].asString(), guid);
    EXPECT_EQ(events[2]["event"].asString(), "setupok");
    EXPECT_EQ(events[2]["guid"].asString(), guid);
}

TEST_F(ServiceActions, UnknownCompanyApplicationOrVersionIsAnError) {
    const struct {
        const wchar_t* comname;
        const wchar_t* appid;
        const wchar_t* ver;
        const wchar_t* message;
    } cases[] = {{L"Nobody", L"qz", L"", L"ER unknown company Nobody"},
                 {L"Vornel", L"zz", L"", L"ER unknown application zz"},
                 {L"Other", L"qz", L"", L"ER unknown application qz"},
                 {L"Vornel", L"qz", L"9.9", L"ER unknown version 9.9"}};
    for (const auto& c : cases) {
        context_.SetParam(L"comname", c.comname);
        context_.SetParam(L"appid", c.appid);
        context_.SetParam(L"--ver", c.ver);
        context_.SetParam(L"netver", L"2.0");
        ServiceRecordList plan{{{L"kept", L"yes"}}};
        EXPECT_FALSE(context_.NeedDown(plan, result_));
        EXPECT_EQ(result_, c.message);
        EXPECT_EQ(plan.size(), 1u);  // a failed query leaves the caller's list alone
    }
}

TEST_F(ServiceActions, AnApplicationWithoutContentAnswersEmptyLists) {
    context_.SetParam(L"comname", L"Other");
    context_.SetParam(L"appid", L"x");
    context_.SetParam(L"netver", L"4.0");
    ServiceRecordList records{{{L"stale", L"1"}}};
    ASSERT_TRUE(context_.NeedDown(records, result_)) << result_;
    EXPECT_TRUE(records.empty());
    ASSERT_TRUE(context_.DownServerList(records, result_));
    EXPECT_TRUE(records.empty());
}

}  // namespace
