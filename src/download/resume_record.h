#pragma once
// What a later run needs to know to continue a package's download: which blocks of the
// partial file are complete, and what the file was (its name, size, the service's digest
// and each mirror's validator), so that blocks of two versions of a file are never joined.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ResumeRecord {
    std::string name;    // the package file name
    int64_t size = 0;    // bytes
    std::string sha256;  // lower-case hex, or empty when the service states none
    // Per mirror (its URL without credentials or query): an HTTP ETag or Last-Modified, or
    // an FTP modification time; empty when the mirror gave none.
    std::vector<std::pair<std::string, std::string>> validators;
    // One bit per block of blockSize bytes: true once the block is in the partial file.
    std::vector<bool> done;

    int64_t DoneBytes(int64_t blockSize) const;
};

// The record as text: a few header lines and the block bitmap in hexadecimal, closed by a
// checksum over everything before it, so that a record cut short or garbled is known.
std::string FormatResumeRecord(const ResumeRecord& record);
// False for any text that FormatResumeRecord did not write whole, and for a bitmap whose
// length does not fit the size.
bool ParseResumeRecord(std::string_view text, int64_t blockSize, ResumeRecord& record);

// Why the saved record cannot be continued by a run that downloads `current` (whose done
// bits are ignored); empty when it can. Without a digest every mirror must give a
// validator equal to the one saved: a file changed on a mirror under the same name and
// size must not be assembled from two versions.
std::wstring ResumeMismatch(const ResumeRecord& saved, const ResumeRecord& current);

// The key a mirror is saved under: the URL without user, password and query (HTTP
// mirrors carry the password in their query).
std::string MirrorKey(const std::string& url);
