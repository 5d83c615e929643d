// Catalog checks: every fault is refused at load time with the place it is at, so that
// no answer can break the installer's reader.
#include <gtest/gtest.h>

#include "answer_writer.h"
#include "catalog.h"
#include "live_service.h"
#include "platform/text_codec.h"

namespace {

std::string OneApp(const std::string& body) {
    return R"({"companies":[{"comname":"Vornel","applications":[{"appid":"qz",)" + body + "}]}]}";
}

const std::string kServer =
    R"("servers":[{"ip":"127.0.0.1:8001","http":"Y","ftp":"N","username":"u","password":"p"}])";

TEST(CatalogCheck, FaultsAreRefusedWithTheirPlace) {
    const struct {
        std::string json;
        std::string error;
    } cases[] = {
        {"{", "not valid JSON"},
        {R"({"companies":{}})", "list \"companies\""},
        {OneApp(R"("firstpage":{"title":"say \"hi\""})"), "firstpage.title: holds a double quote"},
        {OneApp(R"("firstpage":{"title":"it's"})"),
         "firstpage.title: holds a double quote, an apostrophe"},
        {OneApp(R"("firstpage":{"title":"a\tb"})"), "control character"},
        {OneApp(R"("firstpage":{"title":7})"), "firstpage.title: must be a string"},
        {OneApp(R"("firstpage":{"guid":"x"})"), "firstpage.guid"},
        {OneApp(R"("firstpage":{"copyright":"/doc/../x.txt"})"), "firstpage.copyright"},
        {OneApp(
             R"("packages":[{"id":"a","filename":"a.zip","filesize":"1","downfilename":"a.zip"}])"),
         "packages[0].downfilename"},
        {OneApp(
             R"("packages":[{"id":"a","filename":"a.zip","filesize":"1","downfilename":"/x/../a.zip"}])"),
         "packages[0].downfilename"},
        {OneApp(R"("packages":[{"id":"a","filename":"dir/a.zip","filesize":"1"}])"),
         "packages[0].filename"},
        {OneApp(R"("packages":[{"id":"a","filename":"a.zip","filesize":"1 KiB"}])"),
         "packages[0].filesize"},
        {OneApp(R"("packages":[{"id":"a","filename":"a.zip","filname":"b"}])"),
         "packages[0]: unknown key 'filname'"},
        {OneApp(
             R"("packages":[{"id":"a","filename":"a.zip","filesize":"1"},{"id":"a","filename":"b.zip","filesize":"1"}])"),
         "packages[1].id: is not unique"},
        {OneApp(
             R"("packages":[{"id":"a","filename":"a.zip","filesize":"1","when":{"Net40":"yes"}}])"),
         "Net20 and Net40"},
        {OneApp(
             R"("packages":[{"id":"a","filename":"a.zip","filesize":"1","when":{"cpu":"x64"}}])"),
         "unknown key 'cpu'"},
        {OneApp(
             R"("servers":[{"ip":"127.0.0.1:8001","http":"Y","ftp":"Y","username":"u","password":"p"}])"),
         "serves one protocol"},
        {OneApp(
             R"("servers":[{"ip":"127.0.0.1","http":"y","ftp":"N","username":"u","password":"p"}])"),
         "must each be"},
        {OneApp(
             R"("servers":[{"ip":"127.0.0.1","http":"Y","ftp":"N","username":"u","password":"p&x=1"}])"),
         "username and password"},
        {OneApp(
             R"("servers":[{"ip":"127.0.0.1","http":"Y","ftp":"N","username":"u@h","password":"p"}])"),
         "username and password"},
        {OneApp(
             R"("servers":[{"ip":"host/x","http":"Y","ftp":"N","username":"u","password":"p"}])"),
         "servers[0].ip"},
        {OneApp(kServer.substr(0, kServer.size() - 1) + "," + kServer.substr(11)),
         "is listed twice"},
        {OneApp(R"("shortcuts":[{"type":"Desktop","name":"n","exename":"e.exe"}])"),
         "shortcuts[0].type"},
        {OneApp(R"("currentver":"3.0","versions":[{"ver":"2.0"}])"), "currentver"},
        {R"({"companies":[{"comname":"Vor nel","applications":[]}]})", "comname"},
        // Nesting deeper than the JSON reader goes: an error, not an exception.
        {R"({"companies":)" + std::string(5000, '[') + std::string(5000, ']') + "}",
         "not valid JSON"},
    };
    for (const auto& c : cases) {
        service::Catalog catalog;
        std::string error;
        EXPECT_FALSE(catalog.LoadText(c.json, "", error)) << c.json;
        EXPECT_NE(error.find(c.error), std::string::npos)
            << "got: " << error << "\nfor: " << c.json;
    }
}

TEST(CatalogCheck, FilesNamedByTheCatalogMustBeThere) {
    ScopedTempDir temp;
    const std::string files = text::WideToUtf8(temp.path());
    WriteFile(files + "/app/a.zip", "abc");
    const struct {
        std::string json;
        bool loads;
    } cases[] = {
        {OneApp(R"("packages":[{"id":"a","filename":"a.zip","downfilename":"/app/a.zip"}])"), true},
        {OneApp(R"("packages":[{"id":"a","filename":"b.zip","downfilename":"/app/b.zip"}])"),
         false},
        // With a size given the file may live on other mirrors only.
        {OneApp(R"("packages":[{"id":"a","filename":"b.zip","filesize":"3"}])"), true},
        {OneApp(R"("firstpage":{"copyright":"app/a.zip"})"), true},
        {OneApp(R"("firstpage":{"leftjpg":"/app/side.bmp"})"), false},
    };
    for (const auto& c : cases) {
        service::Catalog catalog;
        std::string error;
        EXPECT_EQ(catalog.LoadText(c.json, files, error), c.loads) << c.json << "\n" << error;
    }
}

TEST(CatalogCheck, PackageDigestsComeFromTheFilesAndAStatedOneMustMatch) {
    ScopedTempDir temp;
    const std::string files = text::WideToUtf8(temp.path());
    WriteFile(files + "/app/a.zip", "abc");
    // SHA-256 of "abc".
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    std::string upper = abc;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto package = [](const std::string& digest) {
        return OneApp(R"("packages":[{"id":"a","filename":"a.zip","downfilename":"/app/a.zip")" +
                      (digest.empty() ? std::string() : R"(,"sha256":")" + digest + "\"") + "}]");
    };
    const struct {
        std::string digest;
        bool loads;
    } cases[] = {{"", true}, {upper, true}, {std::string(64, '0'), false}, {"abc", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digest);
        service::Catalog catalog;
        std::string error;
        ASSERT_EQ(catalog.LoadText(package(c.digest), files, error), c.loads) << error;
        if (c.loads) {
            EXPECT_EQ(catalog.FindApplication("Vornel", "qz")->packages[0].sha256, abc);
        }
    }
}

TEST(CatalogCheck, TheDemoCatalogLoads) {
    service::Catalog catalog;
    std::string error;
    ASSERT_TRUE(catalog.LoadFile(REPO_SOURCE_DIR "/demo/catalog.json", "", error)) << error;
    const service::Application* app = catalog.FindApplication("Vornel", "qz");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->servers.size(), 2u);
    for (const auto& server : app->servers)
        EXPECT_NE(server.http, server.ftp) << server.ip;  // one protocol per port
}

TEST(AnswerWriter, RecordsShareTheFirstRecordsNamesAndValuesStayUnescaped) {
    EXPECT_EQ(service::OkAnswer({}), "OK[]");
    EXPECT_EQ(service::OkAnswer({{{"a", "C:\\x"}, {"b", "2"}}, {{"b", "3"}, {"c", "中"}}}),
              "OK[{\"a\":\"C:\\x\",\"b\":\"2\",\"c\":\"\"},{\"a\":\"\",\"b\":\"3\",\"c\":\"中\"}]");
    EXPECT_EQ(service::ErrorAnswer("unknown action x\r\ny"), "ER unknown action x??y");
}

}  // namespace
