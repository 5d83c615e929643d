#pragma once
// Where a PE file keeps its Authenticode signature: the certificate table named by the
// security entry of the optional header's data directory, at the end of the file. Plain
// layout arithmetic; the signature itself is left to the system's crypto.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pe {

struct CertificateTable {
    size_t checksumOffset = 0;   // the optional header's CheckSum field
    size_t directoryOffset = 0;  // the security entry: file offset, then size (32 bits each)
    size_t tableOffset = 0;      // the table's first byte
    size_t tableSize = 0;
    // The first entry's PKCS#7 SignedData (WIN_CERT_TYPE_PKCS_SIGNED_DATA).
    size_t signatureOffset = 0;
    size_t signatureSize = 0;
};

// False when `file` is no PE file, or it has no certificate table holding a PKCS#7
// signature, or the table does not end the file.
bool FindCertificateTable(std::string_view file, CertificateTable& table);

// The PE image checksum of `file`, whose CheckSum field is at `checksumOffset`.
uint32_t ImageChecksum(std::string_view file, size_t checksumOffset);

}  // namespace pe
