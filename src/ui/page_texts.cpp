#include "ui/page_texts.h"

#include <cstdio>

#include "app/text_format.h"
#include "platform/text_codec.h"

namespace {

constexpr size_t kLinePieceBytes = 1022;
constexpr const wchar_t* kWaitText = L"后台正在安装程序，请稍候";

// Where to cut a long line so that a character stays whole: double-byte characters of
// the Windows code page, multi-byte sequences of UTF-8 elsewhere.
size_t PieceLength(const std::string& line, size_t start) {
    if (line.size() - start <= kLinePieceBytes)
        return line.size() - start;
    size_t length = 0;
    while (length < kLinePieceBytes) {
        const bool lead = text::IsSystemLeadByte(static_cast<unsigned char>(line[start + length]));
        const size_t step = lead ? 2 : 1;
        if (length + step > kLinePieceBytes)
            break;
        length += step;
    }
#ifndef _WIN32
    while (length > 1 && (static_cast<unsigned char>(line[start + length]) & 0xC0) == 0x80)
        --length;
#endif
    return length;
}

}  // namespace

std::wstring TitleMarkup(CInstallContext& context, const std::wstring& face) {
    return text::Format(L"<font face='%s' size='%s' color='%s'>%s</font>", face,
                        context.config[L"titlesize"], context.config[L"titlecolor"],
                        context.config[L"title"]);
}

std::wstring TitleMarkup(CInstallContext& context) {
    const std::wstring face = context.config[L"titlefont"];
    return TitleMarkup(context, face);
}

std::wstring VersionLine(CInstallContext& context) {
    return text::Format(L"%s/%s 当前版本号:%s", context.GetParam(L"comname"),
                        context.GetParam(L"appid"), context.config[L"ver"]);
}

std::wstring ReadAgreementText(const std::wstring& path) {
    if (path.empty())
        return {};
    FILE* file = std::fopen(text::WideToSystem(path).c_str(), "rb");
    if (file == nullptr)
        return {};
    std::string content;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, got);
    std::fclose(file);

    std::wstring result;
    size_t start = 0;
    for (;;) {
        const size_t feed = content.find('\n', start);
        std::string line =
            content.substr(start, feed == std::string::npos ? std::string::npos : feed - start);
        // The box breaks lines at "\r\n" only: the file's own line end is replaced.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t at = 0;
        do {
            const size_t length = PieceLength(line, at);
            result += text::SystemToWide(line.substr(at, length)) + L"\r\n";
            at += length;
        } while (at < line.size());
        if (feed == std::string::npos)
            break;
        start = feed + 1;
    }
    return result;
}

std::wstring WaitMessageMarkup() {
    return text::Format(L"<font face='华文中宋' size='16' color='red'>%s</font>", kWaitText);
}

std::wstring WaitMessageMarkup(int elapsedSeconds) {
    return text::Format(L"<font face='华文中宋' size='16' color='red'>%s (用时:%d秒)</font>",
                        kWaitText, elapsedSeconds);
}

std::wstring SetupStatusText(const std::wstring& fileName, bool finished) {
    return text::Format(finished ? L"%s 后台安装完毕" : L"%s 正在后台安装，请稍候...", fileName);
}
