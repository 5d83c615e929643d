// The demo application that demo/generate builds: what the installer's steps rely on is
// inside the packages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "live_service.h"
#include "platform/text_codec.h"

namespace {

// Standard output of a shell command, or empty when it fails.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    return pclose(pipe) == 0 ? out : std::string();
}

TEST(DemoFiles, PackagesHoldWhatTheInstallStepsNeed) {
    ScopedTempDir temp;
    const std::string out = text::WideToUtf8(temp.path());
    ASSERT_EQ(
        std::system(("/usr/bin/python3 " REPO_SOURCE_DIR "/demo/generate '" + out + "' >/dev/null")
                        .c_str()),
        0);
    const std::string qz = out + "/files/qz/";

    const std::string ini = Output("unzip -p '" + qz + "qz-app.zip' config/name.ini");
    EXPECT_NE(ini.find("[Name]"), std::string::npos);
    EXPECT_NE(ini.find("exe=QzDemo.exe"), std::string::npos);
    const std::string config = Output("unzip -p '" + qz + "qz-app.zip' QzDemo.exe.config");
    const size_t startup = config.find("<startup>");
    ASSERT_NE(startup, std::string::npos);
    EXPECT_GT(config.find("<supportedRuntime version=\"v2.0.50727\"/>"), startup);
    EXPECT_FALSE(Output("unzip -l '" + qz + "qz-app.zip' QzDemo.exe").empty());
    EXPECT_FALSE(Output("unzip -l '" + qz + "unins000.zip' unins000.exe").empty());

    // The archive password is the one the catalog hands out; without it nothing opens.
    EXPECT_FALSE(
        Output("unzip -qq -P Qz-Data.Pass-7 -p '" + qz + "qz-data.zip' levels.txt").empty());
    EXPECT_TRUE(
        Output("unzip -qq -P wrong -p '" + qz + "qz-data.zip' levels.txt 2>/dev/null").empty());
    EXPECT_NE(Output("unzip -Z -v '" + qz + "qz-data.zip'").find("encrypted"), std::string::npos);

    // The setup program leaves its marker in the directory it runs in.
    const std::string work = out + "/run";
    ASSERT_EQ(
        std::system(("mkdir -p '" + work + "' && cd '" + work + "' && '" + qz + "setup.exe' /quiet")
                        .c_str()),
        0);
    EXPECT_NE(ReadFile(work + "/setup-marker.txt").find("/quiet"), std::string::npos);

    for (const char* file : {"agreement.txt", "side.bmp"})
        EXPECT_FALSE(ReadFile(qz + file).empty()) << file;
    EXPECT_EQ(ReadFile(qz + "side.bmp").substr(0, 2), "BM");
}

}  // namespace
