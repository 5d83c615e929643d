#pragma once
// Reads the string tables of a VS_VERSIONINFO block (the version resource).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CVersionUpdater {
  public:
    enum StringName {
        Comments,
        CompanyName,
        FileDescription,
        FileVersion,
        InternalName,
        LegalCopyright,
        LegalTrademarks,
        OriginalFilename,
        PrivateBuild,
        ProductName,
        ProductVersion,
        SpecialBuild,
        kStringNameCount
    };

    struct CStringTable {
        uint16_t language = 0;
        uint16_t codePage = 0;
        // A name absent from the table is absent, not empty.
        std::array<std::optional<std::wstring>, kStringNameCount> strings;
    };

    // False when the file has no version resource or it cannot be read; the previous
    // content then stays.
    bool Load(const std::wstring& path);
    // The same from the bytes of a block; false when they are no version block.
    bool LoadBlock(const std::vector<uint8_t>& block);

    const std::vector<CStringTable>& StringTables() const { return tables_; }

  private:
    std::vector<CStringTable> tables_;
};
