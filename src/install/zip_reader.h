#pragma once
// Reads ZIP archives (stored and deflated entries, traditional PKWARE encryption) and
// writes their entries below one base directory, never outside it.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

enum class ZipResult {
    Ok,
    BadArguments,
    CannotCreateFile,
    CorruptArchive,
    ReadError,
    WrongPassword,
    WriteError,
    InflateError,
    BadChecksum,     // the data did not match the entry's CRC-32 or size
    TooLarge,        // the data grew beyond the entry's declared size
    UnsafeName,      // the name leads outside the base directory
    ThroughSymlink,  // the target path passes through a symbolic link
    SymlinkEntry,    // the entry is itself a symbolic link
    HeldFile,        // the target is a protected file
};

// A short English text for the install log.
const wchar_t* ZipResultText(ZipResult result);

struct ZipEntryInfo {
    int32_t index = -1;       // for the query with index -1: the number of entries
    std::wstring name;        // sanitized
    uint32_t attributes = 0;  // Windows attribute bits
    // FILETIME values (UTC).
    uint64_t accessTime = 0;
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    int64_t compressedSize = 0;
    int64_t uncompressedSize = 0;
    bool isSymlink = false;  // a Unix symbolic link entry
};

// Drops drive prefixes, leading separators and everything up to a parent reference
// between separators, until none of these rules applies any more.
std::wstring SanitizeEntryName(std::wstring name);

// Whether a sanitized name stays below the directory it is joined to: relative, without
// a drive or UNC prefix and without any parent (all-dots) component.
bool IsConfinedEntryName(const std::wstring& name);

// The Windows attribute bits of an entry from its "version made by" and external
// attributes.
uint32_t MapEntryAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);

// Applies an extended-timestamp ("UT") block of an extra field, if there is one.
void ApplyExtendedTimestamp(const std::vector<uint8_t>& extraField, ZipEntryInfo& info);

class CZipReader {
  public:
    CZipReader() = default;
    ~CZipReader() { Close(); }
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    // `password` is in the system code page; it is used only for encrypted entries.
    ZipResult Open(const std::wstring& path, const std::string& password);
    // Appends a separator when the directory ends in none.
    ZipResult SetBaseDir(const std::wstring& directory);
    // Entries whose target this answers true for are refused (protected files).
    void SetHeldFileCheck(std::function<bool(const std::wstring&)> isHeld);
    // Index -1 reports the number of entries in info.index.
    ZipResult GetEntry(int32_t index, ZipEntryInfo& info);
    // Writes entry `index` as `name` below the base directory. The data goes to a
    // temporary file beside the target first, which replaces the target only when the
    // whole entry was read and matched its CRC-32: a failed entry never touches an
    // existing file.
    ZipResult ExtractEntry(int32_t index, const std::wstring& name);
    void Close();

    // The target path of a failed or refused entry, for log lines.
    const std::wstring& LastTarget() const { return lastTarget_; }

  private:
    ZipResult MoveTo(int32_t index);
    ZipResult PrepareDirectories(const std::vector<std::wstring>& parts, size_t count);
    // Writes the entry to a new temporary file beside `target` (its path in `tempPath`,
    // empty when none was created).
    ZipResult WriteEntryData(const std::wstring& target, std::wstring& tempPath);

    void* archive_ = nullptr;  // unzFile
    std::string password_;
    std::wstring baseDir_;
    std::function<bool(const std::wstring&)> isHeld_;
    int32_t entryCount_ = 0;
    int32_t current_ = -1;  // the entry the archive is positioned on
    ZipEntryInfo cached_;
    // Extra facts of the cached entry that the extraction needs.
    uint32_t cachedCrc_ = 0;
    uint16_t cachedFlag_ = 0;
    uint16_t cachedDosTime_ = 0;
    uint16_t cachedMethod_ = 0;
    std::vector<char> buffer_;  // compressed and uncompressed piece
    std::wstring lastTarget_;
    bool baseReady_ = false;
    std::set<std::wstring> checkedDirectories_;
};
