// The texts of the wizard's pages built from the install context, and the agreement file
// read into the page's box.
#include "ui/page_texts.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* file = std::fopen(text::WideToSystem(path).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

TEST(PageTextsTest, TitleMarkupTakesTheConfiguredValuesInOrder) {
    CInstallContext context({}, L"");
    context.config[L"titlefont"] = L"黑体";
    context.config[L"titlesize"] = L"18";
    context.config[L"titlecolor"] = L"#336699";
    context.config[L"title"] = L"演示 <安装>";
    EXPECT_EQ(TitleMarkup(context),
              L"<font face='黑体' size='18' color='#336699'>演示 <安装></font>");
    EXPECT_EQ(TitleMarkup(context, L"华文中宋"),
              L"<font face='华文中宋' size='18' color='#336699'>演示 <安装></font>");
}

TEST(PageTextsTest, MissingValuesLeaveEmptyFields) {
    CInstallContext context({}, L"");
    context.SetParam(L"comname", L"");
    context.SetParam(L"appid", L"qz");
    EXPECT_EQ(TitleMarkup(context), L"<font face='' size='' color=''></font>");
    EXPECT_EQ(VersionLine(context), L"/qz 当前版本号:");
    context.SetParam(L"comname", L"Vornel");
    context.config[L"ver"] = L"2.1";
    EXPECT_EQ(VersionLine(context), L"Vornel/qz 当前版本号:2.1");
}

TEST(PageTextsTest, WaitMessageCountsSeconds) {
    EXPECT_EQ(WaitMessageMarkup(),
              L"<font face='华文中宋' size='16' color='red'>后台正在安装程序，请稍候</font>");
    EXPECT_EQ(WaitMessageMarkup(5),
              L"<font face='华文中宋' size='16' "
              L"color='red'>后台正在安装程序，请稍候 (用时:5秒)</font>");
}

struct AgreementCase {
    const char* name;
    std::string bytes;
    std::wstring expected;
};

TEST(PageTextsTest, AgreementFileBecomesBoxLines) {
    const std::string longLine(1500, 'a');
    const AgreementCase cases[] = {
        {"lf", "one\ntwo", L"one\r\ntwo\r\n"},
        {"final lf gives an empty line", "one\ntwo\n", L"one\r\ntwo\r\n\r\n"},
        {"crlf", "one\r\ntwo\r\n", L"one\r\ntwo\r\n\r\n"},
        {"empty file", "", L"\r\n"},
        {"long line in pieces", longLine,
         std::wstring(1022, L'a') + L"\r\n" + std::wstring(478, L'a') + L"\r\n"},
    };
    ScopedTempDir temp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = temp / L"agree.txt";
        WriteBytes(path, c.bytes);
        EXPECT_EQ(ReadAgreementText(path), c.expected);
    }
}

TEST(PageTextsTest, ALongLineIsNeverCutInsideACharacter) {
    // 1021 single bytes, then a character of more than one byte across the cut.
    const std::string wide = text::WideToSystem(L"条");
    ASSERT_GT(wide.size(), 1u);
    const std::string bytes = std::string(1021, 'a') + wide + "z";
    ScopedTempDir temp;
    const std::wstring path = temp / L"agree.txt";
    WriteBytes(path, bytes);
    EXPECT_EQ(ReadAgreementText(path), std::wstring(1021, L'a') + L"\r\n条z\r\n");
}

TEST(PageTextsTest, MissingAgreementFileGivesAnEmptyBox) {
    ScopedTempDir temp;
    EXPECT_EQ(ReadAgreementText(temp / L"none.txt"), L"");
    EXPECT_EQ(ReadAgreementText(L""), L"");
}

}  // namespace
