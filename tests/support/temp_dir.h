#pragma once
// A fresh directory under the system's temporary directory, removed with its content.
#include <string>

class ScopedTempDir {
  public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    // The directory, without a trailing separator.
    const std::wstring& path() const { return path_; }
    // path() joined with a relative name.
    std::wstring operator/(const std::wstring& name) const;

  private:
    std::wstring path_;
};
