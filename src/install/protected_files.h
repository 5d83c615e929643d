#pragma once
// Files of an earlier installation that the service names as not to be overwritten: they
// are held from before the downloads until after the setup programs have run.
#include <memory>
#include <string>
#include <vector>

#include "install/install_step_context.h"
#include "platform/file_hold.h"

// The held-file list, owned by whoever runs the install sequence.
class CProtectedFiles {
  public:
    // At most this many files are held: each costs a copy (Linux) or a handle (Windows),
    // and the service's patterns may match any number of files.
    static constexpr size_t kMaxHeldFiles = 1000;

    enum class AddResult { Held, HeldWithoutCopy, NotHeld, TooMany };
    // Holds `path` unless it is held already, cannot be held, is empty, or kMaxHeldFiles
    // are held already.
    AddResult Add(const std::wstring& path);
    // Whether `path` names one of the held files.
    bool IsHeld(const std::wstring& path) const;
    std::vector<std::wstring> Paths() const;
    bool Empty() const { return holds_.empty(); }
    // Releases every file and empties the list; returns the files that had changed and
    // could not be put back.
    std::vector<std::wstring> ReleaseAll();

  private:
    std::vector<std::unique_ptr<platform::FileHold>> holds_;
};

// Holds every non-empty existing file below the install directory whose name matches an
// "appfilesnot" pattern, with one log line per held file.
void ProtectExistingFiles(InstallStepContext& step, CProtectedFiles& held);
void ReleaseProtectedFiles(InstallStepContext& step, CProtectedFiles& held);
