#include "app/install_log.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
// "YYYY-MM-DD HH:MM:SS\t"
const std::regex kStamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t");

std::string ReadLog(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return bytes;
}

TEST(InstallLog, FirstAppendWritesTheByteOrderMarkOnce) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    ASSERT_TRUE(platform::WriteWholeFile(log, "old run\r\n"));
    install_log::Truncate(log);
    EXPECT_EQ(ReadLog(log), "");

    install_log::AppendLine(log, L"DoModal-1");
    install_log::AppendLine(log, L"\u53d6\u6d88\u5b89\u88c5");  // 取消安装
    const std::string bytes = ReadLog(log);
    ASSERT_EQ(bytes.substr(0, 3), kBom);
    const std::string lines = bytes.substr(3);
    EXPECT_TRUE(std::regex_match(lines.substr(0, 20), kStamp));
    EXPECT_EQ(lines.substr(20, 11), "DoModal-1\r\n");
    EXPECT_TRUE(std::regex_match(lines.substr(31, 20), kStamp));
    EXPECT_EQ(lines.substr(51), "\xE5\x8F\x96\xE6\xB6\x88\xE5\xAE\x89\xE8\xA3\x85\r\n");
}

TEST(InstallLog, LineFeedsBecomeCrLfAndCarriageReturnsStay) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    install_log::AppendLine(log, L"list...\r\n");
    const std::string bytes = ReadLog(log);
    EXPECT_EQ(bytes.substr(3 + 20), "list...\r\r\n\r\n");
}

TEST(InstallLog, RawTextHasNoTimestamp) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    install_log::AppendText(log, L"\n--block--\n");
    EXPECT_EQ(ReadLog(log), kBom + "\r\n--block--\r\n");
}

#ifndef _WIN32
TEST(InstallLog, NeverWritesThroughALinkOrIntoAnythingButARegularFile) {
    ScopedTempDir temp;
    const std::wstring victim = temp / L"victim.txt";
    ASSERT_TRUE(platform::WriteWholeFile(victim, "another file"));
    const std::wstring linked = temp / L"Install.log";
    ASSERT_EQ(symlink(text::WideToSystem(victim).c_str(), text::WideToSystem(linked).c_str()), 0);
    const std::wstring dangling = temp / L"dangling.log";
    ASSERT_EQ(symlink(text::WideToSystem(temp / L"created-by-link").c_str(),
                      text::WideToSystem(dangling).c_str()),
              0);
    const std::wstring fifo = temp / L"fifo.log";
    ASSERT_EQ(mkfifo(text::WideToSystem(fifo).c_str(), 0600), 0);

    for (const std::wstring& path : {linked, dangling, fifo}) {
        install_log::Truncate(path);
        install_log::AppendLine(path, L"line");
    }
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(victim, bytes));
    EXPECT_EQ(bytes, "another file");
    EXPECT_FALSE(platform::PathExists(temp / L"created-by-link"));
}
#endif

TEST(InstallLog, PasswordsInUrlsAreMasked) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"http://h/a.zip?username=u&password=s3cret", L"http://h/a.zip?username=u&password=***"},
        {L"file http://h/a?password=p&x=1\uff0c\u5757",
         L"file http://h/a?password=***&x=1\uff0c\u5757"},
        {L"a?password=p\uff0csize", L"a?password=***\uff0csize"},
        {L"password= empty", L"password= empty"},
        {L"no secrets here", L"no secrets here"},
        // The whole value up to the end of the parameter, in any letter case.
        {L"h/a?username=u&Password=a,b;c@d:e/f?g", L"h/a?username=u&Password=***"},
        {L"h/a?PASSWORD=x%40127.0.0.1%3A18912\uff0c\u5927\u5c0f0",
         L"h/a?PASSWORD=***\uff0c\u5927\u5c0f0"},
        {L"h/a?rarpassword=zip-secret&x=1", L"h/a?rarpassword=***&x=1"},
        // Enciphered answer fields are passwords too.
        {L"OK[{'username':'user','Password':'0A1B2C3D4E5F6071'}]",
         L"OK[{'username':'user','Password':'***'}]"},
        {L"OK[{\"id\": \"7\", \"rarpass\" : \"89ABCDEF\", \"ver\": \"1\"}]",
         L"OK[{\"id\": \"7\", \"rarpass\" : \"***\", \"ver\": \"1\"}]"},
        {L"{'RARPASS':'a\\'b','x':'y'}", L"{'RARPASS':'***','x':'y'}"},
        {L"{'Password':''}", L"{'Password':''}"},
        {L"the password is long", L"the password is long"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(install_log::MaskPasswords(in), out);
}

TEST(InstallLog, ConcurrentWritersProduceWholeLines) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                install_log::AppendLine(log, L"thread-" + std::to_wstring(t) + L"-line");
        });
    }
    for (auto& thread : threads)
        thread.join();
    const std::string lines = ReadLog(log).substr(3);
    const std::regex line("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tthread-\\d-line\r\n");
    int count = 0;
    for (auto it = std::sregex_iterator(lines.begin(), lines.end(), line);
         it != std::sregex_iterator(); ++it)
        ++count;
    EXPECT_EQ(count, kThreads * kLines);
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines) * (20 + 13 + 2));
}

TEST(InstallLog, UnwritableLogLosesLinesSilently) {
    ScopedTempDir temp;
    // A directory where the file should be: it can never be opened for appending.
    const std::wstring log = temp / L"Install.log";
    ASSERT_TRUE(platform::CreateDirectoryLevel(log));
    install_log::Truncate(log);
    install_log::AppendLine(log, L"lost");
    const std::wstring missingDir = temp / L"missing\\Install.log";
    install_log::AppendLine(missingDir, L"lost too");
    EXPECT_FALSE(platform::PathExists(missingDir));
}

}  // namespace
