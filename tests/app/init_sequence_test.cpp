// The initialization sequence against a loopback install service with canned answers
// and a loopback HTTP server for the two resources.
#include "app/init_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/install_context.h"
#include "app/path_ops.h"
#include "download/download_manager.h"
#include "download/proxy_router.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "support/http_test_server.h"
#include "support/refusing_port.h"
#include "support/temp_dir.h"

namespace {

using test_support::HttpTestServer;
using test_support::RefusingPort;

class RecordingDisplay : public IInitDisplay {
  public:
    void ShowText(const std::wstring& text) override { texts.push_back(text); }
    long Count(const std::wstring& text) const {
        return std::count(texts.begin(), texts.end(), text);
    }
    std::vector<std::wstring> texts;
};

class InitSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef _WIN32
        // The Documents folder comes from the user's home: keep it inside the test.
        savedHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", text::WideToSystem(temp.path()).c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
#endif
        service.Handle("/inst/",
                       [this](const httplib::Request& request, httplib::Response& response) {
                           const std::string action = request.get_param_value("action");
                           std::string body = "ER unknown";
                           if (action == "downserverlist")
                               body = serverList;
                           if (action == "firstpage")
                               body = firstPage;
                           if (action == "getftp")
                               body = "OK[{'username':'user','Password':''}]";
                           response.set_content(body, "text/plain");
                       });
        Serve("//doc/agree.txt", "agreement");
        Serve("//doc/left.jpg", "picture");
        context.serverList = {service.WideHostPort()};
    }

    void TearDown() override {
#ifndef _WIN32
        setenv("HOME", savedHome_.c_str(), 1);
#endif
    }

    void Serve(const std::string& path, const std::string& content) {
        mirror.Handle(path, [content](const httplib::Request&, httplib::Response& response) {
            response.set_content(content, "application/octet-stream");
        });
    }

    std::string ServerRecord(bool http, bool ftp) const {
        return "{'ip':'" + mirror.HostPort() + "','http':'" + (http ? "Y" : "N") + "','ftp':'" +
               (ftp ? "Y" : "N") + "'}";
    }

    int Run() {
        CInitSequence sequence(context, downloads, display);
        return sequence.RunInitSequence();
    }

    ScopedTempDir temp;
    HttpTestServer service;
    HttpTestServer mirror;
    std::string serverList;
    std::string firstPage =
        "OK[{'title':'Demo','copyright':'/doc/agree.txt','leftjpg':'/doc/"
        "left.jpg','titlefont':'x'}]";
    CInstallContext context{{}, temp / L"Install.log"};
    CDownloadManager downloads{ProxyRouter::Instance()};
    RecordingDisplay display;

  private:
    std::string savedHome_;
};

TEST_F(InitSequenceTest, BothResourcesArrive) {
    serverList = "OK[" + ServerRecord(true, false) + "," + ServerRecord(true, false) + "]";
    EXPECT_EQ(Run(), 1);
    const std::wstring downloadPath = context.GetParam(L"DownloadPath");
    EXPECT_TRUE(IsPathSeparator(downloadPath.back()));
    EXPECT_NE(downloadPath.find(JoinPath(L"Vornel\\setup", L"qz")), std::wstring::npos);
    EXPECT_EQ(context.GetParam(L"copyright_path"), JoinPath(downloadPath, L"agree.txt"));
    EXPECT_EQ(context.GetParam(L"leftjpg_path"), JoinPath(downloadPath, L"left.jpg"));
    std::string agreement;
    EXPECT_TRUE(platform::ReadWholeFile(context.GetParam(L"copyright_path"), agreement));
    EXPECT_EQ(agreement, "agreement");
    EXPECT_EQ(context.config[L"title"], L"Demo");
    EXPECT_EQ(context.config[L"titlefont"], L"华文中宋");
    const std::vector<std::wstring> expected = {
        L"下载服务器列表...\r\n",
        L"下载配制信息...\r\n",
        L"访问[127]获取FTP服务器信息...\r\n",
        L"通过[127]获取HTTP服务器资源...\r\n",
        L"文件下载成功\r\n",
        L"访问[127]获取FTP服务器信息...\r\n",
        L"通过[127]获取HTTP服务器资源...\r\n",
        L"文件下载成功\r\n",
    };
    EXPECT_EQ(display.texts, expected);
    // Every shown text is logged too, after the download directory.
    std::string log;
    ASSERT_TRUE(platform::ReadWholeFile(context.logPath, log));
    EXPECT_NE(log.find("\t\xE4\xBF\x9D\xE5\xAD\x98\xE7\x9B\xAE\xE5\xBD\x95\r\n"),
              std::string::npos);
    EXPECT_NE(
        log.find("\xE6\x96\x87\xE4\xBB\xB6\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F\r\r\n"),
        std::string::npos);
}

TEST_F(InitSequenceTest, SingleServerIsTriedTwice) {
    serverList = "OK[" + ServerRecord(true, false) + "]";
    firstPage = "OK[{'copyright':'/doc/none.txt','leftjpg':'/doc/none.jpg'}]";
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(downloads.serverHosts.size(), 2u);
    EXPECT_EQ(display.Count(L"访问[127]获取FTP服务器信息...\r\n"), 4);
    EXPECT_EQ(display.Count(L"文件下载成功\r\n"), 0);
}

TEST_F(InitSequenceTest, FtpFailureFallsBackToHttpOnTheSameServer) {
    // The server's FTP flag points at a port that speaks HTTP only.
    serverList = "OK[" + ServerRecord(true, true) + "," + ServerRecord(true, true) + "]";
    firstPage = "OK[{'copyright':'/doc/agree.txt','leftjpg':'/doc/agree'}]";
    EXPECT_EQ(Run(), 1);
    const auto& texts = display.texts;
    const auto ftp = std::find(texts.begin(), texts.end(), L"通过[127]获取FTP服务器资源...\r\n");
    ASSERT_NE(ftp, texts.end());
    EXPECT_EQ(*(ftp + 1), L"通过[127]获取HTTP服务器资源...\r\n");
    EXPECT_EQ(*(ftp + 2), L"文件下载成功\r\n");
    // A side picture without extension has no local name: every server fails for it.
    EXPECT_EQ(display.Count(L"文件下载成功\r\n"), 1);
    EXPECT_EQ(context.GetParam(L"leftjpg_path"), L"");
}

TEST_F(InitSequenceTest, FailuresAndTheirMessages) {
    struct Case {
        std::string serverList;
        std::string firstPage;
        bool serviceUp;
        std::vector<std::wstring> texts;
    };
    const std::wstring logPath = context.logPath;
    const Case cases[] = {
        // No resource servers at all: nothing after the configuration.
        {"OK[]", firstPage, true, {L"下载服务器列表...\r\n", L"下载配制信息...\r\n"}},
        // A service error is no transport failure: code 0.
        {"ER no servers",
         firstPage,
         true,
         {L"下载服务器列表...\r\n", L"失败码(0),成功\r\n", L"下载配制信息...\r\n"}},
        {"OK[]",
         "ER unknown application",
         true,
         {L"下载服务器列表...\r\n", L"下载配制信息...\r\n", L"读取配制信息失败，按ESC键退出...\r\n",
          logPath}},
        {"",
         "",
         false,
         {L"下载服务器列表...\r\n", L"失败码(7),不能连接主机\r\n", L"下载配制信息...\r\n",
          L"读取配制信息失败，按ESC键退出...\r\n", logPath}},
    };
    const RefusingPort refused;
    for (const auto& c : cases) {
        serverList = c.serverList;
        firstPage = c.firstPage;
        display.texts.clear();
        downloads.serverHosts.clear();
        context.serverList = {c.serviceUp ? service.WideHostPort()
                                          : L"127.0.0.1:" + std::to_wstring(refused.Port())};
        EXPECT_EQ(Run(), -1);
        EXPECT_EQ(display.texts, c.texts) << c.serverList << " " << c.firstPage;
    }
}

TEST(InitSequence, TransferErrorTexts) {
    const std::pair<int, std::wstring> cases[] = {
        {0, L"成功"},         {5, L"不能解析代理地址"}, {6, L"不能解析主机地址"},
        {7, L"不能连接主机"}, {9, L"远程主机拒绝连接"}, {28, L"连接超时"},
        {22, L"未知"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(CInitSequence::TransferErrorText(code), text);
}

}  // namespace
