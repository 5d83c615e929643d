#pragma once
// Holds an existing file so that nobody else replaces or writes it until release.
//
// Windows opens it with no sharing: every other open for writing, and every rename or
// delete, fails while the handle lives. Linux has no share modes, so the hold remembers
// the file's identity, keeps a copy of its bytes, answers whether a path names the held
// file (so that the installer's own writers can refuse it) and, at release, puts the old
// bytes back when anyone else changed or replaced the file meanwhile.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class FileHold {
  public:
    FileHold();
    ~FileHold();  // releases
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    // False when the path is no regular file or cannot be opened exclusively.
    bool Hold(const std::wstring& path);
    bool IsHeld() const;
    const std::wstring& Path() const;
    // Whether the file's bytes could be saved (Linux; always true on Windows, where the
    // exclusive handle itself protects the file). Without a copy the extraction still
    // refuses the file, but what a setup program does to it cannot be undone.
    bool HasCopy() const;
    // Size of the held file when it was taken; -1 when none is held.
    int64_t Size() const;
    // Whether `path` names the held file (the same file, however the path is spelled).
    bool Covers(const std::wstring& path) const;
    // Gives the file free again; Linux restores its content first when it changed.
    // False when a changed file could not be restored.
    bool Release();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform
