#pragma once
// A file handle that is always closed with its owner.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class File {
  public:
    enum class Mode {
        Read,       // existing file, reading
        Write,      // created or truncated, writing
        Append,     // created when missing, every write goes to the end
        ReadWrite,  // created when missing, not truncated
        CreateNew,  // created for writing; fails when the path exists in any form
        // Like Write and Append, but never through a symbolic link and only onto a
        // regular file (Linux; on Windows the same as Write and Append).
        WriteRegular,
        AppendRegular,
    };

    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool Open(const std::wstring& path, Mode mode);
    bool IsOpen() const;
    void Close();

    int64_t Size() const;  // -1 when unknown
    // Whole-buffer operations: false unless every byte went through.
    bool Write(const void* data, size_t size);
    bool WriteAt(int64_t offset, const void* data, size_t size);  // safe from several threads
    // Reads up to `size` bytes; returns the count read, -1 on error, 0 at the end.
    int64_t Read(void* data, size_t size);
    // Reads up to `size` bytes at `offset` without moving the file position; same results.
    int64_t ReadAt(int64_t offset, void* data, size_t size);
    bool Truncate(int64_t size);
    // Forces what was written onto the disk, so that it survives a crash or a power cut.
    bool Flush();

  private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

// Creates a new file beside `base`, named base + "." + random letters + suffix, that did
// not exist before (opened with Mode::CreateNew, so an existing file is never touched).
// False when no such file could be made.
bool CreateUniqueFile(const std::wstring& base, const std::wstring& suffix, File& file,
                      std::wstring& path);

// Reads a whole file into `out`; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& out);
// Creates or truncates `path` and writes `data`; false on any failure.
bool WriteWholeFile(const std::wstring& path, const std::string& data);

}  // namespace platform
