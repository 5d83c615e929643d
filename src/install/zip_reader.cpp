#include "install/zip_reader.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include "app/path_ops.h"
#include "install/zip_file_io.h"
#include "platform/file.h"
#include "platform/file_attributes.h"
#include "platform/file_system.h"
#include "platform/file_times.h"
#include "platform/text_codec.h"

namespace {

constexpr size_t kTransferSize = 16384;
constexpr size_t kMaxNameLength = 260;
constexpr size_t kEncryptionHeaderSize = 12;

unzFile Archive(void* handle) {
    return static_cast<unzFile>(handle);
}

// The traditional PKWARE cipher, as far as checking the password goes: the keys are
// built from the password, then the 12-byte header is decrypted and its last byte must
// match the check byte.
class TraditionalKeys {
  public:
    explicit TraditionalKeys(const std::string& password) {
        for (unsigned char c : password)
            Update(c);
    }
    unsigned char Decrypt(unsigned char c) {
        const uint32_t t = (keys_[2] | 2) & 0xFFFF;
        const auto plain = static_cast<unsigned char>(c ^ (((t * (t ^ 1)) >> 8) & 0xFF));
        Update(plain);
        return plain;
    }

  private:
    static uint32_t CrcStep(uint32_t crc, unsigned char c) {
        // zlib's crc32 inverts before and after; the cipher uses the bare table step.
        return ~static_cast<uint32_t>(crc32(~crc & 0xFFFFFFFFu, &c, 1));
    }
    void Update(unsigned char c) {
        keys_[0] = CrcStep(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = CrcStep(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// Closes the entry's data on every way out of the extraction.
class EntryStream {
  public:
    explicit EntryStream(unzFile archive) : archive_(archive) {}
    ~EntryStream() { unzCloseCurrentFile(archive_); }
    EntryStream(const EntryStream&) = delete;
    EntryStream& operator=(const EntryStream&) = delete;

  private:
    unzFile archive_;
};

// A raw deflate stream (no zlib header), ended with its owner.
struct Inflater {
    z_stream stream{};
    bool started = false;
    bool Start() {
        started = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
        return started;
    }
    ~Inflater() {
        if (started)
            inflateEnd(&stream);
    }
};

std::wstring NormalizeSeparators(std::wstring name) {
    for (auto& c : name)
        if (c == L'\\' || c == L'/')
            c = kPathSeparator;
    return name;
}

std::vector<std::wstring> SplitParts(const std::wstring& name) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : name) {
        if (c == kPathSeparator) {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

}  // namespace

ZipResult CZipReader::Open(const std::wstring& path, const std::string& password) {
    Close();
    if (path.empty())
        return ZipResult::BadArguments;
    zlib_filefunc64_def functions;
    FillWideFileFunctions(functions);
    unzFile archive = unzOpen2_64(path.c_str(), &functions);
    if (archive == nullptr)
        return ZipResult::CorruptArchive;
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK || global.number_entry > 0x7FFFFFFF) {
        unzClose(archive);
        return ZipResult::CorruptArchive;
    }
    archive_ = archive;
    password_ = password;
    entryCount_ = static_cast<int32_t>(global.number_entry);
    current_ = entryCount_ > 0 ? 0 : -1;  // minizip opens on the first entry
    cached_ = ZipEntryInfo{};
    return ZipResult::Ok;
}

ZipResult CZipReader::SetBaseDir(const std::wstring& directory) {
    if (directory.empty())
        return ZipResult::BadArguments;
    baseDir_ = directory;
    if (!IsPathSeparator(baseDir_.back()))
        baseDir_ += kPathSeparator;
    baseReady_ = false;
    checkedDirectories_.clear();
    return ZipResult::Ok;
}

void CZipReader::SetHeldFileCheck(std::function<bool(const std::wstring&)> isHeld) {
    isHeld_ = std::move(isHeld);
}

void CZipReader::Close() {
    if (archive_ != nullptr)
        unzClose(Archive(archive_));
    archive_ = nullptr;
    password_.clear();
    entryCount_ = 0;
    current_ = -1;
    cached_ = ZipEntryInfo{};
    buffer_.clear();
    buffer_.shrink_to_fit();
    baseReady_ = false;
    checkedDirectories_.clear();
}

ZipResult CZipReader::MoveTo(int32_t index) {
    unzFile archive = Archive(archive_);
    if (index < 0 || index >= entryCount_)
        return ZipResult::BadArguments;
    if (index == current_)
        return ZipResult::Ok;
    if (index < current_ || current_ < 0) {
        if (unzGoToFirstFile(archive) != UNZ_OK)
            return ZipResult::CorruptArchive;
        current_ = 0;
    }
    while (current_ < index) {
        if (unzGoToNextFile(archive) != UNZ_OK) {
            current_ = -1;
            return ZipResult::CorruptArchive;
        }
        ++current_;
    }
    return ZipResult::Ok;
}

ZipResult CZipReader::GetEntry(int32_t index, ZipEntryInfo& info) {
    if (archive_ == nullptr)
        return ZipResult::BadArguments;
    if (index == -1) {
        info = ZipEntryInfo{};
        info.index = entryCount_;
        return ZipResult::Ok;
    }
    if (index == cached_.index) {
        info = cached_;
        return ZipResult::Ok;
    }
    const ZipResult moved = MoveTo(index);
    if (moved != ZipResult::Ok)
        return moved;
    unzFile archive = Archive(archive_);
    unz_file_info64 file;
    if (unzGetCurrentFileInfo64(archive, &file, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipResult::CorruptArchive;
    std::string rawName(file.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(archive, &file, rawName.data(), static_cast<uLong>(rawName.size()),
                                nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZipResult::CorruptArchive;
    rawName.resize(file.size_filename);

    ZipEntryInfo entry;
    entry.index = index;
    // Names are read as UTF-8 whatever the entry's language-encoding flag says.
    std::wstring name = text::Utf8ToWide(rawName);
    if (name.size() > kMaxNameLength)
        name.resize(kMaxNameLength);
    entry.name = SanitizeEntryName(name);
    const auto madeBy = static_cast<uint16_t>(file.version);
    const auto external = static_cast<uint32_t>(file.external_fa);
    entry.attributes = MapEntryAttributes(madeBy, external);
    const unsigned host = madeBy >> 8;
    const bool dosHost = host == 0 || host == 7 || host == 11 || host == 14;
    entry.isSymlink = !dosHost && ((external >> 16) & 0170000) == 0120000;
    entry.compressedSize = static_cast<int64_t>(file.compressed_size);
    entry.uncompressedSize = static_cast<int64_t>(file.uncompressed_size);

    const auto dosDate = static_cast<uint16_t>(file.dosDate >> 16);
    const auto dosTime = static_cast<uint16_t>(file.dosDate & 0xFFFF);
    uint64_t dosFileTime = 0;
    if (platform::LocalDosTimeToFileTime(dosDate, dosTime, dosFileTime))
        entry.accessTime = entry.creationTime = entry.modificationTime = dosFileTime;

    // The "UT" block lives in the local header's extra field, which minizip reads once
    // the entry is opened; raw opening reads no data and needs no password.
    if (unzOpenCurrentFile2(archive, nullptr, nullptr, 1) == UNZ_OK) {
        const int size = unzGetLocalExtrafield(archive, nullptr, 0);
        if (size > 0) {
            std::vector<uint8_t> extra(static_cast<size_t>(size));
            if (unzGetLocalExtrafield(archive, extra.data(), static_cast<unsigned>(size)) == size)
                ApplyExtendedTimestamp(extra, entry);
        }
        unzCloseCurrentFile(archive);
    }

    cached_ = entry;
    cachedCrc_ = static_cast<uint32_t>(file.crc);
    cachedFlag_ = static_cast<uint16_t>(file.flag);
    cachedDosTime_ = dosTime;
    cachedMethod_ = static_cast<uint16_t>(file.compression_method);
    info = entry;
    return ZipResult::Ok;
}

ZipResult CZipReader::PrepareDirectories(const std::vector<std::wstring>& parts, size_t count) {
    if (!baseReady_) {
        if (!EnsureDirectory(baseDir_))
            return ZipResult::CannotCreateFile;
        baseReady_ = true;
    }
    std::wstring path = baseDir_;
    for (size_t i = 0; i < count; ++i) {
        path += parts[i];
        lastTarget_ = path;
        // A directory checked once during this archive is not looked at again: archives
        // hold many entries per directory.
        if (checkedDirectories_.count(path) == 0) {
            if (platform::IsSymbolicLink(path))
                return ZipResult::ThroughSymlink;
            if (!platform::IsDirectory(path) && !platform::CreateDirectoryLevel(path))
                return ZipResult::CannotCreateFile;
            checkedDirectories_.insert(path);
        }
        path += kPathSeparator;
    }
    return ZipResult::Ok;
}

ZipResult CZipReader::WriteEntryData(const std::wstring& target, std::wstring& tempPath) {
    tempPath.clear();
    // minizip reads the container and hands over the entry's bytes as stored; decryption
    // and inflating happen here, so that they do not depend on how the library was built
    // (Debian's, for one, leaves decryption out).
    unzFile archive = Archive(archive_);
    const bool encrypted = (cachedFlag_ & 0x1) != 0;
    if (cachedMethod_ != 0 && cachedMethod_ != Z_DEFLATED)
        return ZipResult::CorruptArchive;
    if (unzOpenCurrentFile2(archive, nullptr, nullptr, 1) != UNZ_OK)
        return ZipResult::CorruptArchive;
    EntryStream stream(archive);
    TraditionalKeys keys(password_);
    if (encrypted) {
        unsigned char header[kEncryptionHeaderSize];
        if (unzReadCurrentFile(archive, header, sizeof(header)) != static_cast<int>(sizeof(header)))
            return ZipResult::ReadError;
        unsigned char last = 0;
        for (unsigned char c : header)
            last = keys.Decrypt(c);
        // With a data descriptor the CRC is not known in advance; the time stands in.
        const unsigned char expected = (cachedFlag_ & 0x8) != 0
                                           ? static_cast<unsigned char>(cachedDosTime_ >> 8)
                                           : static_cast<unsigned char>(cachedCrc_ >> 24);
        if (last != expected)
            return ZipResult::WrongPassword;
    }

    // A name of its own that did not exist: a file or link already there is never touched.
    platform::File out;
    if (!platform::CreateUniqueFile(target, L".unzip-tmp", out, tempPath))
        return ZipResult::CannotCreateFile;
    if (buffer_.empty())
        buffer_.resize(2 * kTransferSize);
    auto* input = reinterpret_cast<Bytef*>(buffer_.data());
    auto* output = input + kTransferSize;

    const bool deflated = cachedMethod_ == Z_DEFLATED;
    Inflater inflater;
    if (deflated && !inflater.Start())
        return ZipResult::InflateError;
    uLong crc = crc32(0L, Z_NULL, 0);
    int64_t total = 0;
    bool finished = !deflated;
    // Data beyond the declared size ends the entry at once: a few bytes that claim to be
    // small may inflate to gigabytes.
    auto emit = [&](const Bytef* data, size_t size) {
        if (static_cast<int64_t>(size) > cached_.uncompressedSize - total)
            return ZipResult::TooLarge;
        crc = crc32(crc, data, static_cast<uInt>(size));
        total += static_cast<int64_t>(size);
        return out.Write(data, size) ? ZipResult::Ok : ZipResult::WriteError;
    };
    for (;;) {
        const int n = unzReadCurrentFile(archive, input, kTransferSize);
        if (n < 0)
            return ZipResult::ReadError;
        if (n == 0)
            break;
        if (encrypted)
            for (int i = 0; i < n; ++i)
                input[i] = keys.Decrypt(input[i]);
        if (!deflated) {
            const ZipResult written = emit(input, static_cast<size_t>(n));
            if (written != ZipResult::Ok)
                return written;
            continue;
        }
        if (finished)
            continue;  // bytes behind the end of the deflate stream are not data
        z_stream& z = inflater.stream;
        z.next_in = input;
        z.avail_in = static_cast<uInt>(n);
        // Inflate stops when the input is used up or the output piece is full; a full
        // piece may leave more output pending.
        do {
            z.next_out = output;
            z.avail_out = static_cast<uInt>(kTransferSize);
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                return ZipResult::InflateError;
            const size_t produced = kTransferSize - z.avail_out;
            const ZipResult written = produced > 0 ? emit(output, produced) : ZipResult::Ok;
            if (written != ZipResult::Ok)
                return written;
            finished = rc == Z_STREAM_END;
        } while (z.avail_out == 0 && !finished);
    }
    if (!finished || total != cached_.uncompressedSize)
        return ZipResult::InflateError;
    if (crc != cachedCrc_)
        return ZipResult::BadChecksum;
    out.Close();
    return ZipResult::Ok;
}

ZipResult CZipReader::ExtractEntry(int32_t index, const std::wstring& name) {
    lastTarget_.clear();
    if (archive_ == nullptr || baseDir_.empty() || name.empty())
        return ZipResult::BadArguments;
    ZipEntryInfo info;
    const ZipResult found = GetEntry(index, info);
    if (found != ZipResult::Ok)
        return found;
    const ZipResult moved = MoveTo(index);
    if (moved != ZipResult::Ok)
        return moved;

    const std::wstring relative = NormalizeSeparators(name);
    lastTarget_ = baseDir_ + relative;
    if (!IsConfinedEntryName(relative))
        return ZipResult::UnsafeName;
    if (info.isSymlink)
        return ZipResult::SymlinkEntry;
    const std::vector<std::wstring> parts = SplitParts(relative);
    const bool isDirectory =
        (info.attributes & platform::kAttributeDirectory) != 0 || relative.back() == kPathSeparator;
    if (isDirectory)
        return PrepareDirectories(parts, parts.size());
    if (parts.empty())
        return ZipResult::BadArguments;

    const ZipResult prepared = PrepareDirectories(parts, parts.size() - 1);
    if (prepared != ZipResult::Ok)
        return prepared;
    std::wstring target = baseDir_;
    for (size_t i = 0; i < parts.size(); ++i)
        target += (i == 0 ? L"" : std::wstring(1, kPathSeparator)) + parts[i];
    lastTarget_ = target;
    if (platform::IsSymbolicLink(target))
        return ZipResult::ThroughSymlink;
    if (platform::IsDirectory(target))
        return ZipResult::CannotCreateFile;
    if (isHeld_ && isHeld_(target))
        return ZipResult::HeldFile;

    std::wstring temp;
    ZipResult result = WriteEntryData(target, temp);
    if (result == ZipResult::Ok) {
        platform::SetFileTimes(
            temp, platform::FileTimes{info.creationTime, info.accessTime, info.modificationTime});
        if (!platform::MoveFileOver(temp, target))
            result = ZipResult::CannotCreateFile;
        else
            platform::ApplyFileAttributes(target, info.attributes);
    }
    if (result != ZipResult::Ok && !temp.empty())
        platform::RemoveFile(temp);
    return result;
}
