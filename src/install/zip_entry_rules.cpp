// The reader's rules for entry names, attributes and times (declared in zip_reader.h).
#include "app/path_ops.h"
#include "install/zip_reader.h"
#include "platform/file_attributes.h"
#include "platform/file_times.h"

const wchar_t* ZipResultText(ZipResult result) {
    switch (result) {
        case ZipResult::Ok:
            return L"ok";
        case ZipResult::BadArguments:
            return L"bad arguments";
        case ZipResult::CannotCreateFile:
            return L"cannot open or create the file";
        case ZipResult::CorruptArchive:
            return L"corrupt archive";
        case ZipResult::ReadError:
            return L"read error";
        case ZipResult::WrongPassword:
            return L"wrong password";
        case ZipResult::WriteError:
            return L"write error";
        case ZipResult::InflateError:
            return L"inflate error";
        case ZipResult::BadChecksum:
            return L"data does not match its CRC-32";
        case ZipResult::TooLarge:
            return L"refused: the data exceeds the entry's declared size";
        case ZipResult::UnsafeName:
            return L"refused: the name leads outside the target directory";
        case ZipResult::ThroughSymlink:
            return L"refused: the path passes through a symbolic link";
        case ZipResult::SymlinkEntry:
            return L"refused: symbolic link entry";
        case ZipResult::HeldFile:
            return L"refused: protected file";
    }
    return L"unknown";
}

std::wstring SanitizeEntryName(std::wstring name) {
    static const wchar_t* const kParentMarkers[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (;;) {
        if (name.size() >= 2 && name[1] == L':') {
            name.erase(0, 2);
            continue;
        }
        if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) {
            name.erase(0, 1);
            continue;
        }
        bool dropped = false;
        for (const wchar_t* marker : kParentMarkers) {
            const size_t at = name.find(marker);
            if (at != std::wstring::npos) {
                name.erase(0, at + 4);
                dropped = true;
                break;
            }
        }
        if (!dropped)
            return name;
    }
}

bool IsConfinedEntryName(const std::wstring& name) {
    // Entry names have lost their leading separators already: one that is left is wrong.
    return !name.empty() && name[0] != L'\\' && name[0] != L'/' && IsConfinedServicePath(name);
}

uint32_t MapEntryAttributes(uint16_t versionMadeBy, uint32_t externalAttributes) {
    const unsigned host = versionMadeBy >> 8;
    if (host == 0 || host == 7 || host == 11 || host == 14)
        return externalAttributes & (platform::kAttributeReadOnly | platform::kAttributeHidden |
                                     platform::kAttributeSystem | platform::kAttributeDirectory |
                                     platform::kAttributeArchive);
    uint32_t attributes = platform::kAttributeArchive;
    if (externalAttributes & (1u << 30))
        attributes |= platform::kAttributeDirectory;
    if ((externalAttributes & (1u << 23)) == 0)
        attributes |= platform::kAttributeReadOnly;
    return attributes;
}

void ApplyExtendedTimestamp(const std::vector<uint8_t>& extra, ZipEntryInfo& info) {
    auto le16 = [&](size_t at) { return static_cast<unsigned>(extra[at] | (extra[at + 1] << 8)); };
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const unsigned id = le16(pos);
        const size_t size = le16(pos + 2);
        const size_t data = pos + 4;
        if (data + size > extra.size())
            return;
        if (id == 0x5455 && size >= 1) {
            const unsigned flags = extra[data];
            size_t at = data + 1;
            const size_t end = data + size;
            uint64_t* targets[] = {&info.modificationTime, &info.accessTime, &info.creationTime};
            for (unsigned bit = 0; bit < 3; ++bit) {
                if ((flags & (1u << bit)) == 0)
                    continue;
                if (at + 4 > end)
                    return;
                const uint32_t raw = static_cast<uint32_t>(extra[at]) |
                                     (static_cast<uint32_t>(extra[at + 1]) << 8) |
                                     (static_cast<uint32_t>(extra[at + 2]) << 16) |
                                     (static_cast<uint32_t>(extra[at + 3]) << 24);
                const int64_t unixTime = static_cast<int32_t>(raw);
                *targets[bit] =
                    static_cast<uint64_t>((unixTime + platform::kFileTimeEpochOffsetSeconds) *
                                          platform::kFileTimeUnitsPerSecond);
                at += 4;
            }
            return;
        }
        pos = data + size;
    }
}
