// The HTTP download mirror: sizes, ranges, credentials and confinement to the files
// directory.
#include <gtest/gtest.h>
#include <httplib.h>

#include "file_mirror.h"
#include "live_service.h"

namespace {

using service::ParseRange;
using service::RangeKind;

TEST(MirrorRange, HeadersAreReadAsOneRangeOrIgnored) {
    const struct {
        const char* header;
        uint64_t size;
        RangeKind kind;
        uint64_t first;
        uint64_t last;
    } cases[] = {
        {"bytes=0-0", 100, RangeKind::Part, 0, 0},
        {"bytes=0-131071", 300000, RangeKind::Part, 0, 131071},
        {"bytes=131072-262143", 300000, RangeKind::Part, 131072, 262143},
        {"bytes=262144-", 300000, RangeKind::Part, 262144, 299999},
        {"bytes=290000-999999", 300000, RangeKind::Part, 290000, 299999},  // end cut to the file
        {"bytes=-10", 100, RangeKind::Part, 90, 99},
        {"bytes=-500", 100, RangeKind::Part, 0, 99},
        {"bytes=100-", 100, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=100-200", 100, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=-0", 100, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=0-0", 0, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=5-2", 100, RangeKind::Whole, 0, 0},
        {"bytes=0-1,5-6", 100, RangeKind::Whole, 0, 0},
        {"bytes=a-b", 100, RangeKind::Whole, 0, 0},
        {"bytes=99999999999999999999-", 100, RangeKind::Whole, 0, 0},
        {"items=0-1", 100, RangeKind::Whole, 0, 0},
        {"", 100, RangeKind::Whole, 0, 0},
    };
    for (const auto& c : cases) {
        uint64_t first = 0;
        uint64_t last = 0;
        EXPECT_EQ(ParseRange(c.header, c.size, first, last), c.kind) << c.header;
        if (c.kind == RangeKind::Part) {
            EXPECT_EQ(first, c.first) << c.header;
            EXPECT_EQ(last, c.last) << c.header;
        }
    }
}

class Mirror : public ::testing::Test {
  protected:
    Mirror() : client_("127.0.0.1", live_.MirrorPort()) {
        client_.set_connection_timeout(3);
        client_.set_read_timeout(5);
        // Paths go out exactly as written: these tests send odd ones on purpose.
        client_.set_url_encode(false);
    }

    static std::string Query() {
        return std::string("?username=") + LiveService::kHttpUser +
               "&password=" + LiveService::kHttpPassword;
    }

    LiveService live_;
    httplib::Client client_;
};

TEST_F(Mirror, HeadReportsEachFilesSize) {
    const struct {
        const char* path;
        size_t size;
    } cases[] = {{"/app/main.zip", LiveService::kMainZipSize},
                 {"/app/tiny.bin", 1},
                 {"/app/empty.bin", 0},
                 {"/app/agree.txt", 15}};
    for (const auto& c : cases) {
        const auto result = client_.Head((c.path + Query()).c_str());
        ASSERT_TRUE(result) << c.path;
        EXPECT_EQ(result->status, 200) << c.path;
        EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(c.size)) << c.path;
        EXPECT_TRUE(result->body.empty());
    }
}

TEST_F(Mirror, RangedGetsAnswerExactlyTheBytesAsked) {
    const std::string file = ReadFile(live_.FilesDir() + "/app/main.zip");
    const struct {
        const char* range;
        int status;
        size_t first;
        size_t length;
    } cases[] = {
        {"bytes=0-131071", 206, 0, 131072},          {"bytes=131072-262143", 206, 131072, 131072},
        {"bytes=262144-299999", 206, 262144, 37856}, {"bytes=299999-299999", 206, 299999, 1},
        {"bytes=290000-999999", 206, 290000, 10000}, {"bytes=-16", 206, 299984, 16},
        {"bytes=0-1,4-5", 200, 0, file.size()},      {nullptr, 200, 0, file.size()},
    };
    for (const auto& c : cases) {
        httplib::Headers headers;
        if (c.range)
            headers.emplace("Range", c.range);
        const auto result = client_.Get(("/app/main.zip" + Query()).c_str(), headers);
        const std::string label = c.range ? c.range : "no range";
        ASSERT_TRUE(result) << label;
        EXPECT_EQ(result->status, c.status) << label;
        EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(c.length)) << label;
        EXPECT_TRUE(result->body == file.substr(c.first, c.length)) << label;
        if (c.status == 206) {
            EXPECT_EQ(result->get_header_value("Content-Range"),
                      "bytes " + std::to_string(c.first) + "-" +
                          std::to_string(c.first + c.length - 1) + "/" +
                          std::to_string(file.size()))
                << label;
        }
    }
    const auto past =
        client_.Get(("/app/main.zip" + Query()).c_str(), {{"Range", "bytes=300000-"}});
    ASSERT_TRUE(past);
    EXPECT_EQ(past->status, 416);
    EXPECT_EQ(past->get_header_value("Content-Range"), "bytes */300000");
}

TEST_F(Mirror, CredentialsAreCheckedFromQueryOrBasicAuthentication) {
    const std::string user = LiveService::kHttpUser;
    const std::string password = LiveService::kHttpPassword;
    const struct {
        std::string query;
        std::string basicUser;
        std::string basicPassword;
        int status;
    } cases[] = {
        {Query(), "", "", 200},
        {"?username=" + user + "&password=wrong", "", "", 403},
        {"?username=someone&password=" + password, "", "", 403},
        {"?username=" + user, "", "", 403},
        // The FTP server's account is not this mirror's.
        {std::string("?username=") + LiveService::kFtpUser +
             "&password=" + LiveService::kFtpPassword,
         "", "", 403},
        // Query credentials win over a header, as the installer sends ":" along.
        {"?username=" + user + "&password=wrong", user, password, 403},
        {"", user, password, 200},
        {"", user, "wrong", 403},
        {"", "", "", 401},
    };
    for (const auto& c : cases) {
        httplib::Headers headers;
        if (!c.basicUser.empty())
            headers.insert(httplib::make_basic_authentication_header(c.basicUser, c.basicPassword));
        const auto result = client_.Get(("//app/agree.txt" + c.query).c_str(), headers);
        ASSERT_TRUE(result) << c.query;
        EXPECT_EQ(result->status, c.status) << c.query << " basic " << c.basicUser;
        if (c.status == 200)
            EXPECT_EQ(result->body, "agreement text\n");
        else
            EXPECT_EQ(result->body.find("agreement"), std::string::npos);
    }
}

TEST_F(Mirror, PasswordsOfRefusedRequestsAreMaskedWholeInTheLog) {
    const char* const queries[] = {
        "?username=mirroruser&password=se%26cret%20part%2Cthree",
        "?username=mirroruser&PassWord=se%26cret%20part%2Cthree",
        "?PASSWORD=se%26cret%20part%2Cthree&username=mirroruser",
    };
    for (const char* query : queries) {
        testing::internal::CaptureStderr();
        const auto result = client_.Get((std::string("/app/agree.txt") + query).c_str());
        const std::string log = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(result) << query;
        EXPECT_EQ(result->status, 403) << query;
        EXPECT_NE(log.find("=***"), std::string::npos) << log;
        for (const char* piece : {"se", "cret", "part", "three"})
            EXPECT_EQ(log.find(std::string("=") + piece), std::string::npos) << log;
        EXPECT_EQ(log.find("cret"), std::string::npos) << log;
    }
}

TEST_F(Mirror, OnlyFilesBelowTheFilesDirectoryAreServed) {
    const struct {
        const char* path;
        int status;
    } cases[] = {
        {"//app//tiny.bin", 200},  // doubled slashes, as the installer's URLs have them
        {"/./app/./tiny.bin", 200},
        {"/app/../secret.txt", 404},
        {"/../secret.txt", 404},
        {"/app/%2e%2e/%2e%2e/secret.txt", 404},
        {"/app/..%2f..%2fsecret.txt", 404},
        {"/app/..\\..\\secret.txt", 404},
        {"/app/link.txt", 404},  // a link that leads outside
        {"/app", 404},           // a directory
        {"/", 404},
        {"/app/missing.zip", 404},
        {"/app/tiny.bin%00.txt", 404},
    };
    for (const auto& c : cases) {
        const auto result = client_.Get((std::string(c.path) + Query()).c_str());
        ASSERT_TRUE(result) << c.path;
        EXPECT_EQ(result->status, c.status) << c.path;
        EXPECT_EQ(result->body.find("outside"), std::string::npos) << c.path;
    }
}

}  // namespace
