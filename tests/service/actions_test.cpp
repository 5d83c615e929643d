// The eleven actions as the service receives them, and the answer processing of the
// two that carry enciphered fields.
#include <gtest/gtest.h>

#include "platform/text_codec.h"
#include "service/common.h"
#include "service/field_cipher.h"
#include "service_test_support.h"

using service_test::AnswerWith;
using service_test::LoggedContext;
using test_support::HttpTestServer;

namespace {

class ServiceActions : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        logged = std::make_unique<LoggedContext>(std::vector<std::wstring>{server.WideHostPort()});
        context().SetParam(L"comname", L"Vornel");
        context().SetParam(L"appid", L"qz");
        context().SetParam(L"netver", L"4.0");
        context().SetParam(L"--ver", L"");
        context().config[L"guid"] = L"G-1";
    }

    CInstallContext& context() { return *logged->context; }

    std::string LastTarget() const {
        const std::vector<std::string> targets = server.Targets();
        return targets.empty() ? std::string() : targets.back();
    }

    // What the system probe contributes to needdown on this machine.
    static std::string ProbePart() {
        int32_t ie = 0;
        if (!Ccommon::GetIeVersion(ie))
            ie = 8;
        return std::string("&Net20=") + (Ccommon::IsNet20Installed() ? "Y" : "N") +
               "&Net40=" + (Ccommon::IsNet40Installed() ? "Y" : "N") +
               "&os=" + text::WideToUtf8(Ccommon::OsCodeName(Ccommon::GetOsCode())) +
               "&Chrome=N&ie=" + std::to_string(ie);
    }

    HttpTestServer server;
    std::unique_ptr<LoggedContext> logged;
    ServiceRecordList records;
    ServiceRecord record;
    std::wstring resultText;
};

TEST_F(ServiceActions, QueryStringsAsReceived) {
    AnswerWith(server, "OK[]");
    std::string cardNo;
    Ccommon::GetCardNo(cardNo);
    const std::string base = "/inst/?comname=Vornel&appid=qz&action=";
    const struct {
        std::function<bool()> call;
        std::string target;
    } cases[] = {
        {[&] { return context().DownServerList(records, resultText); }, base + "downserverlist"},
        {[&] { return context().FirstPage(record, resultText); },
         base + "firstpage&cardno=" + cardNo},
        {[&] { return context().GetVer(records, resultText); }, base + "getver"},
        {[&] { return context().CreateIcon(records, resultText); }, base + "createicon&netver=4.0"},
        {[&] { return context().NeedDown(records, resultText); },
         base + "needdown&netver=4.0" + ProbePart() + "&guid=G-1"},
        {[&] { return context().GetFtp(L"10.0.0.7", L"/res/agree.txt", record, resultText); },
         base + "getftp&serverno=10.0.0.7&filename=/res/agree.txt"},
        {[&] { return context().FtpOk(L"setup 1.0.zip", record, resultText); },
         base + "ftpok&filename=setup+1%2E0%2Ezip&guid=G-1"},
        {[&] { return context().SetupOk(record, resultText); }, base + "setupok&guid=G-1"},
        {[&] { return context().CompanyName(record, resultText); }, base + "companyname"},
        {[&] { return context().AppExe(records, resultText); }, base + "appexe"},
        {[&] { return context().AppFilesNot(records, resultText); }, base + "appfilesnot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_TRUE(c.call());
        EXPECT_EQ(resultText, L"OK");
        EXPECT_EQ(LastTarget(), c.target);
    }
    EXPECT_EQ(server.RequestCount(), std::size(cases));
}

TEST_F(ServiceActions, NeedDownSendsVerOnlyWhenGivenBetweenIeAndGuid) {
    AnswerWith(server, "OK[]");
    context().SetParam(L"--ver", L"2.1");
    ASSERT_TRUE(context().NeedDown(records, resultText));
    EXPECT_EQ(LastTarget(), "/inst/?comname=Vornel&appid=qz&action=needdown&netver=4.0" +
                                ProbePart() + "&ver=2.1&guid=G-1");
#ifndef _WIN32
    // Linux reports itself as the newest system and has no registry.
    EXPECT_NE(LastTarget().find("&Net20=N&Net40=N&os=win10&Chrome=N&ie=8&"), std::string::npos);
#endif
}

TEST_F(ServiceActions, MissingValuesAreSentEmpty) {
    AnswerWith(server, "OK[]");
    LoggedContext bare({server.WideHostPort()});
    ASSERT_TRUE(bare.context->SetupOk(record, resultText));
    ASSERT_TRUE(bare.context->CreateIcon(records, resultText));
    const std::vector<std::string> targets = server.Targets();
    ASSERT_EQ(targets.size(), 2U);
    // The built-in company and application, an empty guid and netver.
    EXPECT_EQ(targets[0], "/inst/?comname=Vornel&appid=qz&action=setupok&guid=");
    EXPECT_EQ(targets[1], "/inst/?comname=Vornel&appid=qz&action=createicon&netver=");
}

TEST_F(ServiceActions, ValuesCannotAddParameters) {
    AnswerWith(server, "OK[]");
    context().SetParam(L"comname", L"a&action=x");
    context().SetParam(L"appid", L"q z#1");
    context().SetParam(L"--ver", L"2.1&guid=forged");
    context().config[L"guid"] = L"50%+";
    ASSERT_TRUE(context().NeedDown(records, resultText));
    EXPECT_EQ(LastTarget(),
              "/inst/?comname=a%26action=x&appid=q%20z%231&action=needdown&netver=4.0" +
                  ProbePart() + "&ver=2.1%26guid=forged&guid=50%25%2B");
    ASSERT_TRUE(context().GetFtp(L"1&x=y", L"/res/a b.txt", record, resultText));
    EXPECT_EQ(LastTarget(),
              "/inst/?comname=a%26action=x&appid=q%20z%231&action=getftp"
              "&serverno=1%26x=y&filename=/res/a%20b.txt");
}

TEST_F(ServiceActions, NeedDownDeciphersRarpassOfEveryRecord) {
    const std::string rarpass = EncryptField("\xE5\xAF\x86\xE7\xA0\x81 1",
                                             MakeFieldSeed(NeedDownSeedMaterial(L"Vornel", L"17")));
    const std::string other =
        EncryptField("second", MakeFieldSeed(NeedDownSeedMaterial(L"Acme", L"3")));
    AnswerWith(server, "OK[{'comname':'Vornel','id':'17','rarpass':'" + rarpass +
                           "'},{'comname':'Vornel','id':'18','rarpass':''},"
                           "{'comname':'Acme','id':'3','rarpass':'" +
                           other + "'}]");
    ASSERT_TRUE(context().NeedDown(records, resultText));
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0][L"rarpassword"], L"\u5BC6\u7801 1");
    EXPECT_EQ(records[0][L"rarpass"], text::Utf8ToWide(rarpass));  // kept as it came
    EXPECT_EQ(records[1][L"rarpassword"], L"");
    EXPECT_EQ(records[2][L"rarpassword"], L"second");
}

TEST_F(ServiceActions, GetFtpDeciphersPasswordWithTheRequestValues) {
    const std::string password =
        EncryptField("s3cret", MakeFieldSeed(GetFtpSeedMaterial(L"Vornel", L"qz", L"10.0.0.7")));
    AnswerWith(server, "OK[{'username':'u','Password':'" + password + "'}]");
    ASSERT_TRUE(context().GetFtp(L"10.0.0.7", L"a.zip", record, resultText));
    EXPECT_EQ(record[L"username"], L"u");
    EXPECT_EQ(record[L"password"], L"s3cret");

    // Another server number gives another key: the text no longer deciphers.
    ServiceRecord other;
    ASSERT_TRUE(context().GetFtp(L"10.0.0.8", L"a.zip", other, resultText));
    EXPECT_NE(other[L"password"], L"s3cret");

    AnswerWith(server, "OK[{'username':'u','Password':''}]");
    ServiceRecord empty;
    ASSERT_TRUE(context().GetFtp(L"10.0.0.7", L"a.zip", empty, resultText));
    EXPECT_EQ(empty[L"password"], L"");
}

TEST_F(ServiceActions, EncipheredFieldsNeverReachTheLog) {
    const std::string password =
        EncryptField("s3cret", MakeFieldSeed(GetFtpSeedMaterial(L"Vornel", L"qz", L"10.0.0.7")));
    const std::string rarpass =
        EncryptField("zip-pass", MakeFieldSeed(NeedDownSeedMaterial(L"Vornel", L"17")));
    AnswerWith(server, "OK[{'username':'u','PASSWORD':'" + password + "'}]");
    ASSERT_TRUE(context().GetFtp(L"10.0.0.7", L"a.zip", record, resultText));
    AnswerWith(server,
               "OK[{\"comname\":\"Vornel\",\"id\":\"17\",\"rarpass\" : \"" + rarpass + "\"}]");
    ASSERT_TRUE(context().NeedDown(records, resultText));

    const std::wstring log = logged->LogText();
    EXPECT_EQ(log.find(text::Utf8ToWide(password)), std::wstring::npos) << log;
    EXPECT_EQ(log.find(text::Utf8ToWide(rarpass)), std::wstring::npos) << log;
    EXPECT_NE(log.find(L"HttpResponse\tOK[{'username':'u','PASSWORD':'***'}]"), std::wstring::npos)
        << log;
    EXPECT_NE(log.find(L"\"rarpass\" : \"***\""), std::wstring::npos) << log;
}

TEST_F(ServiceActions, FailedActionsLeaveTheirOutputsAlone) {
    AnswerWith(server, "ER no such application");
    records = {{{L"old", L"kept"}}};
    record = {{L"old", L"kept"}};
    EXPECT_FALSE(context().NeedDown(records, resultText));
    EXPECT_EQ(resultText, L"ER no such application");
    EXPECT_FALSE(context().GetFtp(L"s", L"f", record, resultText));
    EXPECT_EQ(records, (ServiceRecordList{{{L"old", L"kept"}}}));
    EXPECT_EQ(record, (ServiceRecord{{L"old", L"kept"}}));
}

TEST_F(ServiceActions, NeedDownWithEmptyArrayIsAnEmptyPlan) {
    AnswerWith(server, "OK[]");
    records = {{{L"old", L"kept"}}};
    EXPECT_TRUE(context().NeedDown(records, resultText));
    EXPECT_TRUE(records.empty());
}

}  // namespace
