#pragma once
// Unpacks the archive packages of the plan into the install directory.
#include <functional>
#include <string>
#include <vector>

#include "install/install_step_context.h"

class CProtectedFiles;

struct ExtractOptions {
    // Entries whose target is one of these files are refused.
    const CProtectedFiles* heldFiles = nullptr;
    // Receives one line per entry that was refused or failed (the install log).
    std::function<void(const std::wstring&)> log;
};

// Unpacks one ZIP archive below `destination`. True when the archive was opened and every
// entry was extracted or kept as a protected file; an entry that fails or is refused is
// logged, the others are still extracted, and the result is false.
bool ExtractArchive(const std::wstring& archivePath, const std::wstring& destination,
                    const std::wstring& password, const ExtractOptions& options = {});

// Every plan entry whose file name contains ".rar" or ".zip" is unpacked from the
// download directory into the install directory plus its "rarpath".
// Returns the file names of the archives that could not be opened or of which some entry
// could not be extracted.
std::vector<std::wstring> ExtractPackages(InstallStepContext& step,
                                          const CProtectedFiles& heldFiles);
