#include "app/startup_params.h"

#include "app/install_context.h"
#include "app/path_ops.h"
#include "app/version_updater.h"
#include "platform/text_codec.h"

namespace {

void RemoveAll(std::wstring& text, const std::wstring& what) {
    size_t at = 0;
    while ((at = text.find(what, at)) != std::wstring::npos)
        text.erase(at, what.size());
}

// Windows shells keep the quotes that group a tail with blanks ("a=b;dir=C:\x y") or one
// value (dir="C:\x y"); they are no part of a key or value.
std::wstring Unquoted(std::wstring text) {
    if (!text.empty() && text.front() == L'"')
        text.erase(0, 1);
    if (!text.empty() && text.back() == L'"')
        text.pop_back();
    return text;
}

}  // namespace

void ReadCommandLineParams(CInstallContext& context, const std::wstring& commandTail) {
    // The words pass through the system code page, as the narrow splitter sees them.
    const std::string narrow = text::WideToSystem(commandTail);
    std::wstring version;
    size_t start = 0;
    while (start < narrow.size()) {
        size_t end = narrow.find(';', start);
        if (end == std::string::npos)
            end = narrow.size();
        if (end > start) {
            const std::wstring word = text::SystemToWide(narrow.substr(start, end - start));
            const size_t equals = word.find(L'=');
            const std::wstring key =
                equals == std::wstring::npos ? L"" : Unquoted(word.substr(0, equals));
            const std::wstring value =
                Unquoted(equals == std::wstring::npos ? word : word.substr(equals + 1));
            context.SetParam(key, value);
            if (key == L"--ver")
                version = value;
        }
        start = end + 1;
    }
    context.SetParam(L"--ver", version);
}

void ReadFileDescriptionParams(CInstallContext& context, const CVersionUpdater& versionInfo) {
    for (const auto& table : versionInfo.StringTables()) {
        const auto& description = table.strings[CVersionUpdater::FileDescription];
        if (!description)
            continue;
        const size_t semicolon = description->find(L';');
        std::wstring company =
            semicolon == std::wstring::npos ? L"" : description->substr(0, semicolon);
        std::wstring application =
            semicolon == std::wstring::npos ? *description : description->substr(semicolon + 1);
        RemoveAll(company, L"comname=");
        RemoveAll(application, L"appid=");
        context.SetParam(L"comname", company);
        context.SetParam(L"appid", application);
    }
}

void ReadStartupParams(CInstallContext& context, const std::wstring& commandTail) {
    if (!commandTail.empty()) {
        ReadCommandLineParams(context, commandTail);
        return;
    }
    CVersionUpdater versionInfo;
    if (versionInfo.Load(GetModulePath()))
        ReadFileDescriptionParams(context, versionInfo);
}
