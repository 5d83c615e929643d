#include "app/install_app.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/front_end.h"
#include "app/install_context.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace {

class RecordingFrontEnd : public IStartupFrontEnd {
  public:
    explicit RecordingFrontEnd(bool succeed) : succeed_(succeed) {}
    bool RunInitialization(CInstallContext& context) override {
        events.push_back(L"init " + context.GetParam(L"appid"));
        return succeed_;
    }
    void RunWizard(CInstallContext&) override { events.push_back(L"wizard"); }
    void ShowMessage(CInstallContext&, const std::wstring& text) override {
        events.push_back(L"message " + text);
    }
    std::vector<std::wstring> events;

  private:
    bool succeed_;
};

std::wstring LogWithoutStamps(const std::wstring& path) {
    std::string bytes;
    platform::ReadWholeFile(path, bytes);
    std::wstring text = text::Utf8ToWide(bytes.size() >= 3 ? bytes.substr(3) : bytes);
    std::wstring out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        out += text.substr(start + 20, end - start - 20) + L"|";
        start = end + 2;
    }
    return out;
}

TEST(InstallApp, SuccessfulInitializationRunsTheWizard) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    ASSERT_TRUE(platform::WriteWholeFile(log, "previous run\r\n"));
    CInstallContext context({}, log);
    RecordingFrontEnd frontEnd(true);
    EXPECT_FALSE(CInstallApp(context, frontEnd).InitInstance(L"appid=demo"));
    EXPECT_EQ(frontEnd.events, (std::vector<std::wstring>{L"init demo", L"wizard"}));
    EXPECT_EQ(LogWithoutStamps(log),
              L"Startup\tcomname=Vornel (version resource); appid=demo (command line); "
              L"--ver= (default)|DoModal-CInstallApp|DoModal-1|DoModal-2|");
}

TEST(InstallApp, FailedInitializationCancels) {
    ScopedTempDir temp;
    const std::wstring log = temp / L"Install.log";
    CInstallContext context({}, log);
    RecordingFrontEnd frontEnd(false);
    EXPECT_FALSE(CInstallApp(context, frontEnd).InitInstance(L""));
    EXPECT_EQ(frontEnd.events,
              (std::vector<std::wstring>{L"init qz", L"message \u53d6\u6d88\u5b89\u88c5"}));
    EXPECT_EQ(LogWithoutStamps(log),
              L"Startup\tcomname=Vornel (version resource); appid=qz (version resource); "
              L"--ver= (default)|\u53d6\u6d88\u5b89\u88c5-CInstallApp|");
}

}  // namespace
