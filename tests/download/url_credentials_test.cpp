#include "download/url_credentials.h"

#include <gtest/gtest.h>

namespace {

struct CredentialCase {
    const char* input;
    const char* url;
    const char* user;
    const char* password;
};

class SplitUrlCredentialsTest : public ::testing::TestWithParam<CredentialCase> {};

TEST_P(SplitUrlCredentialsTest, SplitsUserAndPasswordOffTheUrl) {
    const CredentialCase& c = GetParam();
    const UrlCredentials parts = SplitUrlCredentials(c.input);
    EXPECT_EQ(parts.url, c.url);
    EXPECT_EQ(parts.user, c.user);
    EXPECT_EQ(parts.password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitUrlCredentialsTest,
    ::testing::Values(CredentialCase{"ftp://u:p@host/dir/file", "ftp://host/dir/file", "u", "p"},
                      CredentialCase{"ftp://user:pw@10.0.0.5:2121/a.zip",
                                     "ftp://10.0.0.5:2121/a.zip", "user", "pw"},
                      // No scheme: fetched over HTTP.
                      CredentialCase{"host/file", "http://host/file", "", ""},
                      // The split is at the first colon: the password keeps its own colons.
                      CredentialCase{"ftp://u:pa:ss@host/file", "ftp://host/file", "u", "pa:ss"},
                      // At the first at-sign: the rest of the credentials stays in the host part.
                      CredentialCase{"ftp://u:p@x@host/file", "ftp://x@host/file", "u", "p"},
                      // Credentials in the query only, with and without a port: sent whole.
                      CredentialCase{"http://host/f.zip?username=u&password=p",
                                     "http://host/f.zip?username=u&password=p", "", ""},
                      CredentialCase{"http://127.0.0.1:8000/f.zip?username=u&password=p",
                                     "http://127.0.0.1:8000/f.zip?username=u&password=p", "", ""},
                      // An empty user name is no user-info part.
                      CredentialCase{"ftp://:p@host/f", "ftp://:p@host/f", "", ""},
                      CredentialCase{"ftp://u:@host/f", "ftp://host/f", "u", ""}));

}  // namespace
