#pragma once
// What the path page decides: the install directory it proposes and the checks of its
// Next button. The wizard page and the console front-end only show the results.
#include <cstdint>
#include <string>

#include "app/install_context.h"

// The install directory box's first text, from the configured "setuppath" (which may be
// rewritten with a corrected drive); `programsFolder` is the system's programs folder.
std::wstring ProposeInstallDirectory(CInstallContext& context, const std::wstring& programsFolder);

// Bytes the installation needs: "needsize" in MiB; missing, empty, non-numeric or zero
// counts as 10. A negative value is kept (and can never be satisfied).
int64_t NeededBytes(const std::wstring& needsize);

struct DirectoryCheckResult {
    bool ok = false;
    std::wstring message;           // the failed check's message
    std::wstring installDirectory;  // the boxes' texts afterwards (trimmed once stored)
    std::wstring downloadDirectory;
};

// The checks of Next, in order; the first failure stops them. Stores SetupFullPath as
// soon as the install directory passed, and DownloadPath when everything passed.
DirectoryCheckResult CheckDirectories(CInstallContext& context, const std::wstring& installText,
                                      const std::wstring& downloadText);

// Removes every trailing separator (a root stays a root).
std::wstring TrimTrailingSeparators(std::wstring path);
