#pragma once
// The two sources of the start-up parameters (company, application, version asked for).
#include <string>

class CInstallContext;
class CVersionUpdater;

// key=value words separated by ";" (runs of ";" separate, nothing is trimmed).
void ReadCommandLineParams(CInstallContext& context, const std::wstring& commandTail);
// "comname=X;appid=Y" from the FileDescription of each string table, in stored order.
void ReadFileDescriptionParams(CInstallContext& context, const CVersionUpdater& versionInfo);
// The command line when it is not empty, otherwise the installer's own file description.
void ReadStartupParams(CInstallContext& context, const std::wstring& commandTail);
