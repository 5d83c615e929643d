// Tagging a signed installer: a throw-away authority signs a small Windows program
// (scripts/sign-installer), `install-service tag` stamps it, osslsigncode still verifies it
// and the installer's own reader (libcrypto here) finds the tag; the service hands out the
// program tagged per catalog application.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "catalog.h"
#include "event_log.h"
#include "installer_downloads.h"
#include "live_service.h"
#include "platform/pe_certificate_table.h"
#include "platform/signature_tag.h"
#include "platform/text_codec.h"
#include "service_host.h"
#include "support/temp_dir.h"

namespace {

// Runs a shell command; its output goes to `log`. The exit status.
int RunShell(const std::string& command, const std::string& log) {
    const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Tag(const std::wstring& path) {
    std::string tag;
    return platform::ReadSignatureTag(path, tag) ? tag : "(none)";
}

// The file offset of the first section's bytes: the program's code.
size_t CodeOffset(const std::string& exe) {
    auto read32 = [&exe](size_t at) {
        size_t value = 0;
        for (size_t i = 0; i < 4; ++i)
            value |= static_cast<size_t>(static_cast<unsigned char>(exe[at + i])) << (8 * i);
        return value;
    };
    const size_t header = read32(0x3c);
    const size_t optionalSize = read32(header + 20) & 0xffff;
    return read32(header + 24 + optionalSize + 20);  // PointerToRawData
}

class InstallerTagTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        temp_ = new ScopedTempDir;
        dir_ = text::WideToUtf8(temp_->path());
        const std::string pki =
            "cd '" + dir_ +
            "' && "
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 "
            "-subj '/CN=Tag Test Authority' -keyout ca.key -out ca.pem && "
            "openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes "
            "-subj '/O=Vornel/CN=Vornel Tag Test Signing' -keyout signer.key -out signer.csr && "
            "printf 'keyUsage=critical,digitalSignature\\nextendedKeyUsage=codeSigning\\n' "
            "> signer.ext && "
            "openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 "
            "-extfile signer.ext -out signer.pem && " REPO_SOURCE_DIR
            "/scripts/sign-installer "
            "--cert signer.pem --key signer.key " TAG_FIXTURE_EXE " signed.exe";
        setUpStatus_ = RunShell(pki, dir_ + "/setup.log");
    }
    static void TearDownTestSuite() {
        delete temp_;
        temp_ = nullptr;
    }

    void SetUp() override { ASSERT_EQ(setUpStatus_, 0) << ReadFile(dir_ + "/setup.log"); }

    static std::string Path(const std::string& name) { return dir_ + "/" + name; }
    static std::wstring WidePath(const std::string& name) { return text::Utf8ToWide(Path(name)); }
    // install-service tag; the exit status, its output in tag.log.
    static int TagCommand(const std::string& in, const std::string& out, const std::string& tag,
                          const std::string& more = "") {
        return RunShell(std::string(INSTALL_SERVICE_BINARY) + " tag --in '" + Path(in) +
                            "' --out '" + Path(out) + "' --tag '" + tag + "' " + more,
                        Path("tag.log"));
    }
    // osslsigncode verify against the test's authority; its output in verify.log.
    static bool Verifies(const std::string& name) {
        return RunShell(
                   "osslsigncode verify -CAfile '" + Path("ca.pem") + "' -in '" + Path(name) + "'",
                   Path("verify.log")) == 0;
    }

    static ScopedTempDir* temp_;
    static std::string dir_;
    static int setUpStatus_;
};

ScopedTempDir* InstallerTagTest::temp_ = nullptr;
std::string InstallerTagTest::dir_;
int InstallerTagTest::setUpStatus_ = -1;

TEST_F(InstallerTagTest, TaggedFileStaysSignedAndCarriesTheTag) {
    ASSERT_TRUE(Verifies("signed.exe")) << ReadFile(Path("verify.log"));
    EXPECT_EQ(Tag(WidePath("signed.exe")), "(none)");
    EXPECT_EQ(Tag(text::Utf8ToWide(TAG_FIXTURE_EXE)), "(none)");  // not signed at all

    ASSERT_EQ(TagCommand("signed.exe", "app.exe", "comname=Vornel;appid=qz"), 0)
        << ReadFile(Path("tag.log"));
    EXPECT_TRUE(Verifies("app.exe")) << ReadFile(Path("verify.log"));
    EXPECT_NE(ReadFile(Path("verify.log")).find("Vornel Tag Test Signing"), std::string::npos);
    EXPECT_EQ(Tag(WidePath("app.exe")), "comname=Vornel;appid=qz");
    // Before the table, only the fields the signature leaves out change: the checksum and
    // the table's size, which stays a multiple of 8.
    const std::string signedExe = ReadFile(Path("signed.exe"));
    const std::string app = ReadFile(Path("app.exe"));
    pe::CertificateTable before, after;
    ASSERT_TRUE(pe::FindCertificateTable(signedExe, before));
    ASSERT_TRUE(pe::FindCertificateTable(app, after));
    EXPECT_EQ(after.tableOffset, before.tableOffset);
    EXPECT_EQ(after.tableSize % 8, 0u);
    EXPECT_GT(after.tableSize, before.tableSize);
    std::string program = signedExe.substr(0, before.tableOffset);
    std::string taggedProgram = app.substr(0, after.tableOffset);
    for (std::string* bytes : {&program, &taggedProgram}) {
        bytes->replace(before.checksumOffset, 4, 4, '\0');
        bytes->replace(before.directoryOffset + 4, 4, 4, '\0');
    }
    EXPECT_TRUE(program == taggedProgram);
    EXPECT_EQ(ReadFile(Path("verify.log")).find("invalid PE checksum"), std::string::npos);

    // Tagging a tagged file replaces its tag: the same bytes as tagging the signed one.
    ASSERT_EQ(TagCommand("app.exe", "other.exe", "comname=Other;appid=ot;--ver=2.0"), 0);
    ASSERT_EQ(TagCommand("signed.exe", "other-direct.exe", "comname=Other;appid=ot;--ver=2.0"), 0);
    EXPECT_EQ(Tag(WidePath("other.exe")), "comname=Other;appid=ot;--ver=2.0");
    EXPECT_TRUE(Verifies("other.exe")) << ReadFile(Path("verify.log"));
    EXPECT_EQ(ReadFile(Path("other.exe")), ReadFile(Path("other-direct.exe")));
    // And the same tag twice gives the same bytes.
    ASSERT_EQ(TagCommand("other.exe", "app-again.exe", "comname=Vornel;appid=qz"), 0);
    EXPECT_EQ(ReadFile(Path("app-again.exe")), app);
}

TEST_F(InstallerTagTest, ChangedCodeFailsVerification) {
    ASSERT_EQ(TagCommand("signed.exe", "app.exe", "comname=Vornel;appid=qz"), 0);
    std::string app = ReadFile(Path("app.exe"));
    app[CodeOffset(app) + 16] ^= 0x01;
    WriteFile(Path("changed.exe"), app);
    EXPECT_FALSE(Verifies("changed.exe")) << ReadFile(Path("verify.log"));
    // The tag still reads: the installer relies on Windows to refuse a changed program.
    EXPECT_EQ(Tag(WidePath("changed.exe")), "comname=Vornel;appid=qz");
}

TEST_F(InstallerTagTest, RefusesFilesItCannotTagAndTagsTheInstallerWouldIgnore) {
    WriteFile(Path("text.exe"), "MZ but nothing else of a program");
    const std::string unsignedExe = Path("unsigned.exe");
    WriteFile(unsignedExe, ReadFile(TAG_FIXTURE_EXE));
    struct Case {
        std::string in;
        std::string tag;
        std::string more;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"unsigned.exe", "appid=qz", "", 1, "not a PE file with an Authenticode signature"},
        {"text.exe", "appid=qz", "", 1, "not a PE file with an Authenticode signature"},
        {"missing.exe", "appid=qz", "", 1, "cannot read"},
        {"signed.exe", "appid=qz;server=evil.example", "", 2, "names the key \"server\""},
        {"signed.exe", std::string(1025, 'x'), "", 2, "longer than 1024 bytes"},
        {"signed.exe", "appid=\xff", "", 2, "not UTF-8"},
        {"signed.exe", "appid=qz", "--bogus", 2, "bad argument --bogus"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TagCommand(c.in, "out.exe", c.tag, c.more), c.status) << c.in << " " << c.more;
        EXPECT_NE(ReadFile(Path("tag.log")).find(c.message), std::string::npos)
            << ReadFile(Path("tag.log"));
    }
    // For tests of the installer, --unchecked writes it anyway, byte for byte.
    ASSERT_EQ(TagCommand("signed.exe", "bad.exe", "appid=\xff", "--unchecked"), 0);
    EXPECT_EQ(Tag(WidePath("bad.exe")), "appid=\xff");
    EXPECT_TRUE(Verifies("bad.exe"));
}

TEST_F(InstallerTagTest, ServiceHandsOutTheInstallerTaggedPerApplication) {
    service::Catalog catalog;
    std::string error;
    ASSERT_TRUE(catalog.LoadFile(REPO_SOURCE_DIR "/demo/catalog.json", "", error)) << error;
    service::InstallerDownloads installers(catalog, ReadFile(Path("signed.exe")));
    ASSERT_TRUE(installers.Check(error)) << error;
    service::EventLog events(Path("events.jsonl"));
    service::HostOptions options;
    options.servicePort = 0;
    options.installers = &installers;
    options.quiet = true;
    service::ServiceHost host(catalog, events, options);
    ASSERT_TRUE(host.Bind(error)) << error;
    host.Start();
    httplib::Client client("127.0.0.1", host.ServicePort());

    auto first = client.Get("/installer/Vornel/qz/QzSetup.exe");
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 200);
    EXPECT_EQ(first->get_header_value("Content-Disposition"),
              "attachment; filename=\"QzSetup.exe\"");
    const std::string etag = first->get_header_value("ETag");
    EXPECT_EQ(etag.size(), 66u) << etag;
    WriteFile(Path("download.exe"), first->body);
    EXPECT_EQ(Tag(WidePath("download.exe")), "comname=Vornel;appid=qz");
    EXPECT_TRUE(Verifies("download.exe")) << ReadFile(Path("verify.log"));

    auto second = client.Get("/installer/Vornel/qz/Other-Name.exe");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->status, 200);
    EXPECT_EQ(second->body, first->body);
    EXPECT_EQ(second->get_header_value("ETag"), etag);
    EXPECT_EQ(second->get_header_value("Content-Disposition"),
              "attachment; filename=\"Other-Name.exe\"");
    auto unchanged = client.Get("/installer/Vornel/qz/QzSetup.exe", {{"If-None-Match", etag}});
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(unchanged->status, 304);
    EXPECT_TRUE(unchanged->body.empty());

    for (const char* path : {"/installer/Vornel/nosuch/QzSetup.exe",
                             "/installer/Nobody/qz/QzSetup.exe", "/installer/Vornel/qz/a%20b.exe",
                             "/installer/Vornel/qz/.exe", "/installer/Vornel/qz/QzSetup.zip"}) {
        auto refused = client.Get(path);
        ASSERT_TRUE(refused) << path;
        EXPECT_EQ(refused->status, 404) << path;
    }
    host.Stop();
}

TEST(InstallerDownloads, RefusesAnUnsignedProgram) {
    service::Catalog catalog;
    service::InstallerDownloads installers(catalog, ReadFile(TAG_FIXTURE_EXE));
    std::string error;
    EXPECT_FALSE(installers.Check(error));
    EXPECT_NE(error.find("Authenticode"), std::string::npos) << error;
}

}  // namespace
