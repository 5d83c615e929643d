#pragma once
// The sources of the start-up parameters (company, application, version asked for). They
// are taken key by key: a key comes from the first source that gives it, in the order
// command line, tag, version resource, built-in defaults.
#include <optional>
#include <string>

class CInstallContext;
class CVersionUpdater;

// Every key=value word of the command line (runs of ";" separate, nothing is trimmed);
// `--ver` is always set, empty unless given.
void ReadCommandLineParams(CInstallContext& context, const std::wstring& commandTail);
// "comname=X;appid=Y" from the FileDescription of each string table, in stored order.
void ReadFileDescriptionParams(CInstallContext& context, const CVersionUpdater& versionInfo);

struct StartupSources {
    std::wstring commandTail;
    std::optional<std::string> tag;                // from the installer's signature
    const CVersionUpdater* versionInfo = nullptr;  // its version resource, when read
};
// Stores the words of every source, key by key, and logs which source gave each key (and
// the tag, or why it was ignored).
void ApplyStartupParams(CInstallContext& context, const StartupSources& sources);
// The sources of the running installer: its command tail, its own tag and version resource.
void ReadStartupParams(CInstallContext& context, const std::wstring& commandTail);
