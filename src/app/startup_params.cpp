#include "app/startup_params.h"

#include <vector>

#include "app/install_context.h"
#include "app/installer_tag.h"
#include "app/path_ops.h"
#include "app/version_updater.h"
#include "platform/signature_tag.h"
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

std::vector<StartupWord> CommandLineWords(const std::wstring& commandTail) {
    // The words pass through the system code page, as the narrow splitter sees them.
    std::vector<StartupWord> words =
        SplitStartupWords(text::SystemToWide(text::WideToSystem(commandTail)));
    for (auto& [key, value] : words) {
        if (!key.empty())
            key = Unquoted(key);
        value = Unquoted(value);
    }
    return words;
}

// comname and appid of the last string table with a FileDescription; none without one.
std::vector<StartupWord> FileDescriptionWords(const CVersionUpdater& versionInfo) {
    std::vector<StartupWord> words;
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
        words = {{L"comname", company}, {L"appid", application}};
    }
    return words;
}

// The value of the last word with `key`; false when none has it.
bool FindWord(const std::vector<StartupWord>& words, const std::wstring& key, std::wstring& value) {
    bool found = false;
    for (const auto& word : words)
        if (word.first == key) {
            value = word.second;
            found = true;
        }
    return found;
}

}  // namespace

void ReadCommandLineParams(CInstallContext& context, const std::wstring& commandTail) {
    std::wstring version;
    for (const auto& [key, value] : CommandLineWords(commandTail)) {
        context.SetParam(key, value);
        if (key == L"--ver")
            version = value;
    }
    context.SetParam(L"--ver", version);
}

void ReadFileDescriptionParams(CInstallContext& context, const CVersionUpdater& versionInfo) {
    for (const auto& [key, value] : FileDescriptionWords(versionInfo))
        context.SetParam(key, value);
}

void ApplyStartupParams(CInstallContext& context, const StartupSources& sources) {
    // Every command-line word is kept, for the front-ends and the other steps.
    const std::vector<StartupWord> commandWords = CommandLineWords(sources.commandTail);
    for (const auto& [key, value] : commandWords)
        context.SetParam(key, value);

    std::vector<StartupWord> tagWords;
    if (sources.tag) {
        std::wstring problem;
        if (ParseInstallerTag(*sources.tag, tagWords, problem))
            context.LogText(L"Tag\t" + text::Utf8ToWide(*sources.tag));
        else
            context.LogText(L"Tag\tignored, " + problem);
    }
    const std::vector<StartupWord> descriptionWords =
        sources.versionInfo ? FileDescriptionWords(*sources.versionInfo)
                            : std::vector<StartupWord>();

    struct Source {
        const std::vector<StartupWord>& words;
        const wchar_t* name;
    };
    const Source order[] = {{commandWords, L"command line"},
                            {tagWords, L"tag"},
                            {descriptionWords, L"version resource"}};
    std::wstring line;
    for (const wchar_t* key : {L"comname", L"appid", L"--ver"}) {
        const wchar_t* from = nullptr;
        std::wstring value;
        for (const Source& source : order)
            if (FindWord(source.words, key, value)) {
                from = source.name;
                break;
            }
        // --ver has no default: an empty one asks for none.
        if (from != nullptr || std::wstring_view(key) == L"--ver")
            context.SetParam(key, value);
        line += std::wstring(line.empty() ? L"Startup\t" : L"; ") + key + L"=" +
                context.GetParam(key) + L" (" + (from != nullptr ? from : L"default") + L")";
    }
    context.LogText(line);
}

void ReadStartupParams(CInstallContext& context, const std::wstring& commandTail) {
    const std::wstring self = GetModulePath();
    StartupSources sources;
    sources.commandTail = commandTail;
    std::string tag;
    if (platform::ReadSignatureTag(self, tag))
        sources.tag = tag;
    CVersionUpdater versionInfo;
    if (versionInfo.Load(self))
        sources.versionInfo = &versionInfo;
    ApplyStartupParams(context, sources);
}
