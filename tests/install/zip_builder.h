#pragma once
// Writes ZIP archives byte by byte for the odd cases no archiver produces on request:
// chosen host systems and attributes, hostile names, "UT" blocks, broken data.
#include <cstdint>
#include <string>
#include <vector>

struct TestZipEntry {
    std::string name;  // raw bytes of the name as stored
    std::string data;  // uncompressed content
    bool deflate = false;
    uint16_t madeBy = (3 << 8) | 20;  // host Unix, version 2.0
    uint32_t externalAttributes = 0100644u << 16;
    uint16_t dosDate = (44 << 9) | (3 << 5) | 15;    // 2024-03-15
    uint16_t dosTime = (10 << 11) | (20 << 5) | 15;  // 10:20:30
    std::string localExtra;
    std::string password;         // not empty: traditional PKWARE encryption
    bool dataDescriptor = false;  // general-purpose bit 3
    bool wrongCrc = false;        // stores a CRC-32 that does not match the data
    bool damageData = false;      // flips bytes in the stored data
    int64_t claimedSize = -1;     // not below 0: stored as the uncompressed size instead
};

std::string BuildZip(const std::vector<TestZipEntry>& entries);

// An extended-timestamp extra block; a time below 0 is left out.
std::string ExtendedTimestampBlock(int64_t modification, int64_t access = -1,
                                   int64_t creation = -1);

// Convenience makers.
TestZipEntry FileEntry(const std::string& name, const std::string& data, bool deflate = false);
TestZipEntry DirectoryEntry(const std::string& name);
// A Unix symbolic link entry pointing at `target`.
TestZipEntry SymlinkEntry(const std::string& name, const std::string& target);
