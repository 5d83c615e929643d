// The OS-code table, the card number and the special folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app/path_ops.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/shell_folders.h"
#include "platform/text_codec.h"
#include "service/common.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

TEST(OsCode, VersionTable) {
    const struct {
        uint32_t platformId, major, minor;
        int32_t code;
        const wchar_t* name;
    } cases[] = {
        {2, 5, 0, kNoOsCode, L"win7"},  // Windows 2000: no row, sent as win7
        {2, 5, 1, kWinXp, L"winxp"},       {2, 5, 2, kWinXp, L"winxp"},
        {2, 6, 0, kWinVista, L"winvista"}, {2, 6, 1, kWin7, L"win7"},
        {2, 6, 2, kWin8, L"win8"},         {2, 6, 3, kWin8, L"win8"},
        {2, 7, 0, kNoOsCode, L"win7"},     {2, 10, 0, kWin10, L"win10"},
        {2, 11, 5, kWin10, L"win10"},      {2, 4, 0, kNoOsCode, L"win7"},
        {1, 4, 0, kWin98, L"win98"},       {1, 4, 10, kWin98, L"win98"},
        {1, 4, 89, kWin98, L"win98"},      {1, 4, 90, kWinMe, L"winme"},
        {1, 3, 95, kNoOsCode, L"win7"},    {0, 6, 1, kNoOsCode, L"win7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.platformId << " " << c.major << "." << c.minor);
        const int32_t code = Ccommon::OsCodeFromVersion(c.platformId, c.major, c.minor);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(Ccommon::OsCodeName(code), c.name);
    }
}

TEST(OsCode, NamesOfEveryCode) {
    const wchar_t* const names[] = {L"win98",
                                    L"win2000",
                                    L"winme",
                                    L"winxp",
                                    L"winserver2003",
                                    L"winxp64",
                                    L"winserver2003_r2",
                                    L"winvista",
                                    L"winserver2008",
                                    L"winserver2008_r2",
                                    L"win7",
                                    L"win8",
                                    L"win10"};
    for (int32_t code = 0; code <= 12; ++code)
        EXPECT_EQ(Ccommon::OsCodeName(code), names[code]);
    EXPECT_EQ(Ccommon::OsCodeName(13), L"win7");
    EXPECT_EQ(Ccommon::OsCodeName(-1), L"win7");
}

TEST(OsCode, RunningSystemHasACode) {
#ifdef _WIN32
    const int32_t code = Ccommon::GetOsCode();
    EXPECT_TRUE(code == kNoOsCode || (code >= 0 && code <= 12)) << code;
#else
    EXPECT_EQ(Ccommon::GetOsCode(), kWin10);
#endif
}

TEST(CardNumber, FormatsAndSkipsZeroAddresses) {
    using platform::HardwareAddress;
    EXPECT_EQ(Ccommon::FormatCardNumbers({}), std::vector<std::string>{});
    EXPECT_EQ(Ccommon::FormatCardNumbers({HardwareAddress{}}), std::vector<std::string>{});
    EXPECT_EQ(
        Ccommon::FormatCardNumbers(
            {HardwareAddress{}, {0x00, 0x1A, 0x2b, 0xC3, 0x04, 0xfF}, {0x52, 0x54, 0, 0, 0, 1}}),
        (std::vector<std::string>{"001A2BC304FF", "525400000001"}));
}

TEST(CardNumber, RunningSystemGivesTwelveHexDigitsOrNothing) {
    std::string cardNo;
    Ccommon::GetCardNo(cardNo);
    if (!cardNo.empty()) {
        ASSERT_EQ(cardNo.size(), 12U);
        EXPECT_NE(cardNo, "000000000000");
        EXPECT_EQ(cardNo.find_first_not_of("0123456789ABCDEF"), std::string::npos) << cardNo;
    }
    std::vector<std::string> all;
    Ccommon::GetMacAddresses(all);
    EXPECT_EQ(all.empty() ? std::string() : all.front(), cardNo);
}

TEST(IeVersion, LeadingNumber) {
    EXPECT_EQ(Ccommon::LeadingNumber("9.11.19041.0"), 9);
    EXPECT_EQ(Ccommon::LeadingNumber("11"), 11);
    EXPECT_EQ(Ccommon::LeadingNumber("x1"), 0);
    EXPECT_EQ(Ccommon::LeadingNumber(""), 0);
    EXPECT_EQ(Ccommon::LeadingNumber("99999999999999"), 2147483647);
}

#ifdef _WIN32

TEST(SpecialFolders, ShellAnswers) {
    std::wstring path;
    EXPECT_TRUE(Ccommon::GetSpecialFolderPath(path, 5));
    EXPECT_FALSE(path.empty());
}

#else

// Sets environment variables for one test and restores them.
class ScopedEnvironment {
  public:
    void Set(const char* name, const std::string& value) {
        Remember(name);
        setenv(name, value.c_str(), 1);
    }
    void Unset(const char* name) {
        Remember(name);
        unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value.second)
                setenv(name.c_str(), value.first.c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

  private:
    void Remember(const char* name) {
        if (saved_.count(name))
            return;
        const char* old = std::getenv(name);
        saved_[name] = {old ? old : "", old != nullptr};
    }
    std::map<std::string, std::pair<std::string, bool> > saved_;
};

class XdgFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        home = text::WideToUtf8(dir.path());
        env.Set("HOME", home);
        env.Unset("XDG_CONFIG_HOME");
        env.Unset("XDG_DATA_HOME");
    }

    void WriteUserDirs(const std::string& configDir, const std::string& content) {
        ASSERT_TRUE(EnsureDirectory(text::Utf8ToWide(configDir + "/")));
        ASSERT_TRUE(
            platform::WriteWholeFile(text::Utf8ToWide(configDir + "/user-dirs.dirs"), content));
    }

    std::wstring Folder(platform::SpecialFolder folder, bool create = true) {
        std::wstring path;
        EXPECT_TRUE(platform::GetSpecialFolderPath(folder, path, create));
        return path;
    }

    ScopedTempDir dir;
    ScopedEnvironment env;
    std::string home;
};

TEST_F(XdgFolders, DefaultsBelowHomeAreCreated) {
    EXPECT_EQ(Folder(platform::SpecialFolder::Documents), text::Utf8ToWide(home + "/Documents"));
    EXPECT_TRUE(platform::IsDirectory(text::Utf8ToWide(home + "/Documents")));
    EXPECT_EQ(Folder(platform::SpecialFolder::Desktop), text::Utf8ToWide(home + "/Desktop"));
    EXPECT_EQ(Folder(platform::SpecialFolder::StartMenuPrograms),
              text::Utf8ToWide(home + "/.local/share/applications"));
    EXPECT_EQ(Folder(platform::SpecialFolder::ProgramFiles),
              geteuid() == 0 ? std::wstring(L"/opt") : text::Utf8ToWide(home + "/.local/opt"));
}

TEST_F(XdgFolders, UserDirsFileIsFollowed) {
    WriteUserDirs(home + "/.config",
                  "# written by xdg-user-dirs-update\n"
                  "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                  "XDG_DOCUMENTS_DIR=\"relative/ignored\"\n"
                  "XDG_DOCUMENTS_DIR=\"" +
                      home +
                      "/Dokumente/\"\n"
                      "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(Folder(platform::SpecialFolder::Desktop), text::Utf8ToWide(home + "/Schreibtisch"));
    EXPECT_EQ(Folder(platform::SpecialFolder::Documents), text::Utf8ToWide(home + "/Dokumente"));
}

TEST_F(XdgFolders, XdgBaseDirectoriesMove) {
    const std::string config = home + "/cfg";
    const std::string data = home + "/data";
    env.Set("XDG_CONFIG_HOME", config);
    env.Set("XDG_DATA_HOME", data);
    WriteUserDirs(config, "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(Folder(platform::SpecialFolder::Documents), text::Utf8ToWide(home + "/Papers"));
    EXPECT_EQ(Folder(platform::SpecialFolder::StartMenuPrograms),
              text::Utf8ToWide(data + "/applications"));
}

TEST_F(XdgFolders, MissingFolderWithoutCreateFails) {
    std::wstring path = L"stale";
    EXPECT_FALSE(platform::GetSpecialFolderPath(platform::SpecialFolder::Desktop, path, false));
    EXPECT_EQ(path, L"");
    // Ccommon always asks for creation.
    EXPECT_TRUE(Ccommon::GetSpecialFolderPath(path, 0));
    EXPECT_EQ(path, text::Utf8ToWide(home + "/Desktop"));
}

#endif

}  // namespace
