#include "platform/pe_certificate_table.h"

namespace pe {
namespace {

constexpr uint16_t kPe32 = 0x10b;
constexpr uint16_t kPe32Plus = 0x20b;
constexpr uint16_t kRevision2 = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr size_t kSecurityDirectory = 4;
constexpr size_t kEntryHeader = 8;  // dwLength, wRevision, wCertificateType

uint32_t Read32(std::string_view file, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Read16(std::string_view file, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + at;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool FindCertificateTable(std::string_view file, CertificateTable& table) {
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z')
        return false;
    const size_t header = Read32(file, 0x3c);
    // Signature, COFF header (20 bytes), then at least the optional header's magic.
    if (header > file.size() || file.size() - header < 24 + 2 ||
        file.substr(header, 4) != std::string_view("PE\0\0", 4))
        return false;
    const size_t optional = header + 24;
    const size_t optionalSize = Read16(file, header + 20);
    const uint16_t magic = Read16(file, optional);
    const size_t directories = optional + (magic == kPe32Plus ? 112 : magic == kPe32 ? 96 : 0);
    const size_t directoryCount = magic == kPe32Plus ? 108 : 92;  // NumberOfRvaAndSizes
    if (directories == optional || optional + optionalSize > file.size() ||
        directories + (kSecurityDirectory + 1) * 8 > optional + optionalSize ||
        Read32(file, optional + directoryCount) <= kSecurityDirectory)
        return false;
    table.checksumOffset = optional + 64;
    table.directoryOffset = directories + kSecurityDirectory * 8;
    table.tableOffset = Read32(file, table.directoryOffset);
    table.tableSize = Read32(file, table.directoryOffset + 4);
    if (table.tableOffset == 0 || table.tableSize < kEntryHeader ||
        table.tableOffset > file.size() || file.size() - table.tableOffset != table.tableSize)
        return false;
    const size_t length = Read32(file, table.tableOffset);
    if (length <= kEntryHeader || length > table.tableSize ||
        Read16(file, table.tableOffset + 4) != kRevision2 ||
        Read16(file, table.tableOffset + 6) != kPkcsSignedData)
        return false;
    table.signatureOffset = table.tableOffset + kEntryHeader;
    table.signatureSize = length - kEntryHeader;
    return true;
}

uint32_t ImageChecksum(std::string_view file, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t at = 0; at < file.size(); at += 2) {
        if (at == checksumOffset || at == checksumOffset + 2)
            continue;
        uint32_t word = static_cast<unsigned char>(file[at]);
        if (at + 1 < file.size())
            word |= static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8;
        sum += word;
        sum = (sum & 0xffff) + (sum >> 16);
    }
    sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

}  // namespace pe
