// The download-and-install run with recorded events, against a loopback install service
// with canned answers and real HTTP mirrors that serve ranges.
#include "install/install_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "app/path_ops.h"
#include "download/file_digest.h"
#include "download/proxy_router.h"
#include "install/download_prefix.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "recording_events.h"
#include "service/field_cipher.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace {

using test_support::HttpTestServer;

class InstallEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        service.Handle(
            "/inst/", [this](const httplib::Request& request, httplib::Response& response) {
                const std::string action = request.get_param_value("action");
                std::string body = "ER unknown action";
                if (action == "getftp") {
                    const std::string server = request.get_param_value("serverno");
                    const std::string password =
                        mirrorPassword.empty()
                            ? ""
                            : EncryptField(mirrorPassword,
                                           MakeFieldSeed(GetFtpSeedMaterial(
                                               L"Vornel", L"qz", text::SystemToWide(server))));
                    body = refusedAccounts.count(server)
                               ? "ER no account"
                               : "OK[{'username':'user','Password':'" + password + "'}]";
                } else if (action == "ftpok" || action == "appfilesnot" || action == "appexe") {
                    body = "OK[]";
                }
                response.set_content(body, "text/plain");
            });
        context.serverList = {service.WideHostPort()};
        context.SetParam(L"SetupFullPath", temp / L"app");
        context.SetParam(L"DownloadPath", temp / L"downloads");
        platform::CreateDirectoryLevel(temp / L"downloads");
    }

    // Serves `name` with `content` on `mirror` (ranges and HEAD included).
    static void Serve(HttpTestServer& mirror, const std::string& name, const std::string& content) {
        mirror.Handle("/" + name, [content](const httplib::Request&, httplib::Response& response) {
            response.set_content(content, "application/octet-stream");
        });
    }

    void AddServer(const std::wstring& host, bool http, bool ftp) {
        downloads.serverHosts.push_back(host);
        downloads.serverHttp.push_back(http ? L"Y" : L"N");
        downloads.serverFtp.push_back(ftp ? L"Y" : L"N");
    }

    static PackageEntry Package(const std::wstring& name, const std::wstring& rarpath = L"",
                                const std::wstring& keep = L"Y") {
        return {{L"filename", name},
                {L"downfilename", L"/" + name},
                {L"filesize", L"1"},
                {L"rarpath", rarpath},
                {L"haveexistsdown", keep}};
    }

    // Runs the whole installation and waits for its end.
    std::vector<std::wstring> Run(const InstallPlan& plan) {
        InstallEngine engine(context, downloads, view, plan, L".net20安装版");
        engine.settleMilliseconds = 0;
        engine.StartInstall();
        engine.Wait();
        rows = engine.Journal().Packages();
        return engine.FailedFiles();
    }

    std::vector<std::string> ServiceActions() const {
        std::vector<std::string> actions;
        for (const auto& target : service.Targets()) {
            const size_t at = target.find("action=");
            actions.push_back(target.substr(at + 7, target.find('&', at) - at - 7));
        }
        return actions;
    }

    ScopedTempDir temp;
    HttpTestServer service;
    HttpTestServer mirror;
    std::map<std::string, bool> refusedAccounts;
    std::string mirrorPassword;  // handed out enciphered by getftp
    CInstallContext context{{}, temp / L"Install.log"};
    CDownloadManager downloads{ProxyRouter::Instance()};
    RecordingEvents view;
    std::vector<PackageRow> rows;
};

TEST_F(InstallEngineTest, DownloadsExtractsAndEndsOnTheFinishPage) {
    const std::string archive =
        BuildZip({FileEntry("bin/app.txt", "hello"), FileEntry("b.txt", "b")});
    Serve(mirror, "a.zip", archive);
    AddServer(mirror.WideHostPort(), true, false);
    EXPECT_TRUE(Run({Package(L"a.zip", L"\\bin\\")}).empty());

    std::string extracted;
    EXPECT_TRUE(platform::ReadWholeFile(JoinPath(temp / L"app", L"bin\\bin\\app.txt"), extracted));
    EXPECT_EQ(extracted, "hello");
    std::string downloaded;
    EXPECT_TRUE(
        platform::ReadWholeFile(temp / L"downloads" + kPathSeparator + L"a.zip", downloaded));
    EXPECT_EQ(downloaded, archive);

    const auto events = view.Events();
    const auto position = [&](const std::wstring& event) {
        return std::find(events.begin(), events.end(), event) - events.begin();
    };
    const std::wstring target = text::SystemToWide(downloads.tasks.at(L"a.zip").targetPath);
    const std::wstring archivePath = DownloadPrefix(temp / L"downloads") + L"a.zip";
    const std::vector<std::wstring> ordered = {
        L"log:准备下载文件:.net20安装版",
        L"log:准备从HTTP服务器127下载文件a.zip...",  // the host up to its first "."
        L"plan:a.zip=0",  // the size of a package that fits in its first KiB
        L"begin:download",
        L"log:文件 " + target + L" 下载完成",
        L"end:download",
        L"log:正在解压文件:" + archivePath + L"...",
        L"begin:extraction:" + archivePath,
        L"end:extraction:" + archivePath,
        L"begin:configuration",
        L"end:configuration",
        L"begin:registration",
        L"end:registration",
        L"end:run:installed",
    };
    for (size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_LT(position(ordered[i]), position(ordered[i + 1]))
            << text::WideToUtf8(ordered[i]) << " before " << text::WideToUtf8(ordered[i + 1]);
    }
    EXPECT_EQ(position(L"end:run:installed"), static_cast<long>(events.size()) - 1);
    // The service hears about the download, the protected files come first.
    const auto actions = ServiceActions();
    EXPECT_EQ(actions.front(), "getftp");
    EXPECT_NE(std::find(actions.begin(), actions.end(), "ftpok"), actions.end());
    EXPECT_LT(std::find(actions.begin(), actions.end(), "appfilesnot"),
              std::find(actions.begin(), actions.end(), "ftpok"));
    // The summary block reached the log.
    std::string log;
    ASSERT_TRUE(platform::ReadWholeFile(context.logPath, log));
    EXPECT_NE(log.find("--\xE4\xB8\x8B\xE8\xBD\xBD&"), std::string::npos);
}

// The events of whole runs, without their log lines: what a front-end maps to its
// controls. "%A" stands for the download directory's prefix.
TEST_F(InstallEngineTest, EventSequencesOfWholeRuns) {
    std::string setupProgram;
#ifdef _WIN32
    const std::wstring fixture = JoinPath(GetModuleDir(), L"install_setup_fixture.exe");
#else
    const std::wstring fixture = JoinPath(GetModuleDir(), L"install_setup_fixture");
#endif
    ASSERT_TRUE(platform::ReadWholeFile(fixture, setupProgram)) << text::WideToUtf8(fixture);
    Serve(mirror, "a.zip", BuildZip({FileEntry("a.txt", "a")}));
    Serve(mirror, "big.zip", BuildZip({FileEntry("big.bin", std::string(3000, 'b'))}));
    Serve(mirror, "setup.exe", setupProgram);
    AddServer(mirror.WideHostPort(), true, false);

    PackageEntry setup = Package(L"setup.exe");
    setup[L"setupparam"] = L"setup.rec";
    struct RunCase {
        const char* name;
        InstallPlan plan;
        std::vector<std::wstring> expected;
    };
    const std::vector<RunCase> cases = {
        {"clean run",
         {Package(L"a.zip"), Package(L"big.zip")},
         {L"plan:a.zip=0,big.zip=3", L"begin:download", L"end:download",
          L"begin:extraction:%Aa.zip", L"end:extraction:%Aa.zip", L"begin:extraction:%Abig.zip",
          L"end:extraction:%Abig.zip", L"begin:configuration", L"end:configuration",
          L"begin:registration", L"end:registration", L"end:run:installed"}},
        {"failed package",
         {Package(L"missing.zip"), Package(L"a.zip")},
         {L"plan:missing.zip=0,a.zip=0", L"begin:download", L"end:download",
          L"begin:extraction:%Amissing.zip", L"end:extraction:%Amissing.zip",
          L"begin:extraction:%Aa.zip", L"end:extraction:%Aa.zip", L"begin:configuration",
          L"end:configuration", L"begin:registration", L"end:registration", L"end:run:failed"}},
        {"setup program",
         {setup},
         {L"plan:setup.exe=" + std::to_wstring(setupProgram.size() / 1024), L"begin:download",
          L"end:download", L"begin:setup:setup.exe", L"end:setup:setup.exe", L"begin:configuration",
          L"end:configuration", L"begin:registration", L"end:registration", L"end:run:installed"}},
    };
    const std::wstring prefix = DownloadPrefix(temp / L"downloads");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const wchar_t* name : {L"a.zip", L"big.zip", L"setup.exe", L"missing.zip"})
            platform::RemoveFile(temp / L"downloads" + kPathSeparator + name);
        downloads.tasks.clear();
        downloads.serverHttp = {L"Y"};  // a failed package takes its mirror out of the run
        RecordingEvents events;
        InstallEngine engine(context, downloads, events, c.plan, L"");
        engine.settleMilliseconds = 0;
        engine.StartInstall();
        engine.Wait();

        std::vector<std::wstring> seen;
        for (const auto& event : events.Events()) {
            if (event.rfind(L"log:", 0) != 0)
                seen.push_back(event);
        }
        std::vector<std::wstring> expected;
        for (std::wstring event : c.expected) {
            const size_t at = event.find(L"%A");
            if (at != std::wstring::npos)
                event.replace(at, 2, prefix);
            expected.push_back(event);
        }
        EXPECT_EQ(seen, expected);
        // The log of the run is the journal's, line for line.
        EXPECT_EQ(events.Lines(), engine.Journal().LogLines());
    }
    // The setup program ran in the install directory.
    std::string record;
    EXPECT_TRUE(platform::ReadWholeFile(JoinPath(temp / L"app", L"setup.rec"), record));
    EXPECT_NE(record.find("end"), std::string::npos);
}

TEST_F(InstallEngineTest, SkipRulesOfStartInstall) {
    Serve(mirror, "new.zip", BuildZip({FileEntry("n.txt", "n")}));
    AddServer(mirror.WideHostPort(), true, false);
    // Already downloaded: taken as it is, no server asked.
    ASSERT_TRUE(platform::WriteWholeFile(temp / L"downloads" + kPathSeparator + L"old.zip",
                                         BuildZip({FileEntry("o.txt", "o")})));
    // "N": not installed over an existing directory.
    ASSERT_TRUE(EnsureDirectory(JoinPath(temp / L"app", L"keep") + kPathSeparator));

    const auto failed = Run({Package(L"new.zip"), Package(L"new.zip"), Package(L"old.zip"),
                             Package(L"kept.zip", L"keep", L"n")});
    EXPECT_TRUE(failed.empty()) << text::WideToUtf8(failed.empty() ? L"" : failed[0]);
    ASSERT_EQ(rows.size(), 2u);  // duplicates give one row, the kept package none
    EXPECT_EQ(rows[0][0], L"new.zip");
    EXPECT_EQ(rows[1][0], L"old.zip");
    EXPECT_EQ(rows[1][1], L"1");  // filesize 1 KiB from the entry
    const auto lines = view.Lines();
    const std::wstring old = text::SystemToWide(downloads.tasks.at(L"old.zip").targetPath);
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"文件 " + old + L" 已存在，不下载"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"检测到目录“" + JoinPath(temp / L"app", L"keep") +
                            L"”已存在，文件“kept.zip”不覆盖安装"),
              lines.end());
    const auto actions = ServiceActions();
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "getftp"), 1);
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "ftpok"), 1);
}

TEST_F(InstallEngineTest, FailedServersAreMarkedAndSkippedForLaterPackages) {
    Serve(mirror, "a.zip", BuildZip({FileEntry("a.txt", "a")}));
    Serve(mirror, "b.zip", BuildZip({FileEntry("b.txt", "b")}));
    HttpTestServer second;
    // Server 0 claims FTP on an HTTP port (its probe fails); server 1 has no account.
    AddServer(mirror.WideHostPort(), true, true);
    AddServer(second.WideHostPort(), true, false);
    refusedAccounts[second.HostPort()] = true;

    EXPECT_TRUE(Run({Package(L"a.zip"), Package(L"b.zip")}).empty());
    EXPECT_EQ(downloads.serverFtp[0], L"N");
    EXPECT_EQ(downloads.serverHttp[0], L"Y");
    const auto lines = view.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         L"从ftp服务器127下载文件a.zip  失败!!!  去除此ftp服务器下载"),
              1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& l) {
                                return l.find(L"b.zip  失败") != std::wstring::npos;
                            }),
              0);  // no second FTP attempt
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"取FTP信息失败"), 2);
    // One account per package and server: 2 packages x 2 servers.
    const auto actions = ServiceActions();
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "getftp"), 4);
}

TEST_F(InstallEngineTest, PackagesWithoutMirrorAreReportedAsFailed) {
    Serve(mirror, "good.zip", BuildZip({FileEntry("g.txt", "g")}));
    AddServer(mirror.WideHostPort(), true, false);
    const auto failed = Run({Package(L"good.zip"), Package(L"missing.zip")});
    EXPECT_EQ(failed, std::vector<std::wstring>{L"missing.zip"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][1], L"0");
    const std::wstring target = text::SystemToWide(downloads.tasks.at(L"missing.zip").targetPath);
    const auto lines = view.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"文件 " + target + L" 下载失败"), lines.end());
    const auto actions = ServiceActions();
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "ftpok"), 1);
}

TEST_F(InstallEngineTest, PackagesThatDownloadButDoNotInstallAreReportedAsFailed) {
    TestZipEntry damaged = FileEntry("bad.bin", "data", true);
    damaged.wrongCrc = true;
    Serve(mirror, "broken.zip", BuildZip({FileEntry("ok.txt", "ok"), damaged}));
    Serve(mirror, "setup.exe", "not a program");
    Serve(mirror, "fine.zip", BuildZip({FileEntry("f.txt", "f")}));
    AddServer(mirror.WideHostPort(), true, false);

    const auto failed = Run({Package(L"broken.zip"), Package(L"setup.exe"), Package(L"fine.zip")});
    EXPECT_EQ(failed, (std::vector<std::wstring>{L"broken.zip", L"setup.exe"}));
    // The good entry of the broken archive is still there.
    std::string extracted;
    EXPECT_TRUE(platform::ReadWholeFile(JoinPath(temp / L"app", L"ok.txt"), extracted));
    EXPECT_EQ(extracted, "ok");
}

// The SHA-256 of `content`, in upper case as a service may write it.
std::wstring DigestText(const std::string& content, const ScopedTempDir& dir) {
    const std::wstring file = dir / L"digest-source";
    std::string hex;
    EXPECT_TRUE(platform::WriteWholeFile(file, content));
    EXPECT_TRUE(FileSha256(file, hex));
    std::wstring upper;
    for (const char c : hex)
        upper += static_cast<wchar_t>(c >= 'a' ? c - 'a' + 'A' : c);
    return upper;
}

TEST_F(InstallEngineTest, PackagesAreCheckedAgainstTheirDigests) {
    const std::string good = BuildZip({FileEntry("g.txt", "good")});
    const std::string changed = BuildZip({FileEntry("g.txt", "evil")});
    ScopedTempDir scratch;
    const std::wstring goodDigest = DigestText(good, scratch);
    // Served as changed on the way; already present but wrong; already present and right.
    Serve(mirror, "tampered.zip", changed);
    Serve(mirror, "stale.zip", good);
    AddServer(mirror.WideHostPort(), true, false);
    const std::wstring downloadsDir = temp / L"downloads" + kPathSeparator;
    ASSERT_TRUE(platform::WriteWholeFile(downloadsDir + L"stale.zip", changed));
    ASSERT_TRUE(platform::WriteWholeFile(downloadsDir + L"right.zip", good));
    auto withDigest = [&](const std::wstring& name) {
        PackageEntry entry = Package(name, L"\\" + name.substr(0, name.find(L'.')) + L"\\");
        entry[L"sha256"] = goodDigest;
        return entry;
    };
    PackageEntry notADigest = Package(L"odd.zip");
    notADigest[L"sha256"] = L"1234";

    const auto failed = Run({withDigest(L"tampered.zip"), withDigest(L"stale.zip"),
                             withDigest(L"right.zip"), notADigest});
    EXPECT_EQ(failed, (std::vector<std::wstring>{L"odd.zip", L"tampered.zip"}));
    // Nothing of the changed package is unpacked, and the service hears of it never.
    EXPECT_FALSE(platform::PathExists(JoinPath(temp / L"app", L"tampered\\g.txt")));
    EXPECT_FALSE(platform::PathExists(downloadsDir + L"tampered.zip"));
    for (const wchar_t* name : {L"stale", L"right"}) {
        std::string extracted;
        EXPECT_TRUE(platform::ReadWholeFile(
            JoinPath(temp / L"app", std::wstring(name) + L"\\g.txt"), extracted));
        EXPECT_EQ(extracted, "good") << text::WideToUtf8(name);
    }
    const auto lines = view.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"文件 " + downloadsDir + L"stale.zip 与校验值不符，重新下载"),
              lines.end());
    // Only the two packages that had to come from the mirror were asked for; one arrived.
    const auto actions = ServiceActions();
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "getftp"), 2);
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "ftpok"), 1);
}

TEST_F(InstallEngineTest, RecordsLeadingOutsideTheDirectoriesAreRefusedAsFailedPackages) {
    // The installation lies two levels below the temporary directory, so that "../../"
    // from there lands where the test looks.
    context.SetParam(L"SetupFullPath", JoinPath(temp / L"a", L"app"));
    context.SetParam(L"DownloadPath", JoinPath(temp / L"d", L"downloads"));
    const std::wstring victim = temp / L"victim.txt";
    ASSERT_TRUE(platform::WriteWholeFile(victim, "the user's file"));
    Serve(mirror, "escape.zip", BuildZip({FileEntry("escaped.txt", "no")}));
    Serve(mirror, "victim.txt", "downloaded");
    Serve(mirror, "good.zip", BuildZip({FileEntry("good.txt", "yes")}));
    Serve(mirror, "fine.zip", BuildZip({FileEntry("fine.txt", "yes")}));
    AddServer(mirror.WideHostPort(), true, false);

    InstallEngine engine(context, downloads, view,
                         {Package(L"escape.zip", L"../../escaped"), Package(L"../../victim.txt"),
                          Package(L"good.zip", L"C:\\x"), Package(L"fine.zip")},
                         L"");
    engine.settleMilliseconds = 0;
    engine.StartInstall();
    engine.Wait();

    EXPECT_EQ(engine.FailedFiles(),
              (std::vector<std::wstring>{L"escape.zip", L"../../victim.txt", L"good.zip"}));
    EXPECT_FALSE(platform::PathExists(temp / L"escaped"));
    EXPECT_FALSE(platform::PathExists(JoinPath(temp / L"a", L"escaped")));
    std::string kept;
    EXPECT_TRUE(platform::ReadWholeFile(victim, kept));
    EXPECT_EQ(kept, "the user's file");
    // Only the sound record was downloaded, and it is the only file the run may delete.
    const auto packages = engine.Journal().Packages();
    ASSERT_EQ(packages.size(), 1u);
    EXPECT_EQ(packages[0][0], L"fine.zip");
    EXPECT_EQ(engine.DownloadedPackages(), std::vector<std::wstring>{JoinPath(
                                               JoinPath(temp / L"d", L"downloads"), L"fine.zip")});
    std::string log;
    ASSERT_TRUE(platform::ReadWholeFile(context.logPath, log));
    for (const char* refused : {"../../escaped", "../../victim.txt", "C:\\x"})
        EXPECT_NE(log.find(std::string("\xE2\x80\x9C") + refused + "\xE2\x80\x9D"),
                  std::string::npos)
            << log;
}

TEST_F(InstallEngineTest, APackageThatWasThereBeforeIsNotOneToDelete) {
    Serve(mirror, "new.zip", BuildZip({FileEntry("n.txt", "n")}));
    AddServer(mirror.WideHostPort(), true, false);
    const std::wstring old = temp / L"downloads" + kPathSeparator + L"old.zip";
    ASSERT_TRUE(platform::WriteWholeFile(old, BuildZip({FileEntry("o.txt", "o")})));

    InstallEngine engine(context, downloads, view, {Package(L"new.zip"), Package(L"old.zip")}, L"");
    engine.settleMilliseconds = 0;
    engine.StartInstall();
    engine.Wait();
    EXPECT_TRUE(engine.FailedFiles().empty());
    EXPECT_EQ(engine.DownloadedPackages(),
              std::vector<std::wstring>{temp / L"downloads" + kPathSeparator + L"new.zip"});
}

TEST_F(InstallEngineTest, AMirrorPasswordWithAnAtSignNeverChangesTheHost) {
    HttpTestServer trap;
    mirrorPassword = "x@" + trap.HostPort();
    const std::string content = BuildZip({FileEntry("a.txt", "a")});
    mirror.Handle("/a.zip", [&](const httplib::Request& request, httplib::Response& response) {
        if (request.get_param_value("password") != mirrorPassword) {
            response.status = 403;
            return;
        }
        response.set_content(content, "application/octet-stream");
    });
    AddServer(mirror.WideHostPort(), true, false);

    EXPECT_TRUE(Run({Package(L"a.zip")}).empty());
    EXPECT_EQ(trap.RequestCount(), 0u);
    const auto targets = mirror.Targets();
    ASSERT_FALSE(targets.empty());
    EXPECT_NE(targets[0].find("&password=x%40127.0.0.1%3A"), std::string::npos) << targets[0];
}

}  // namespace
