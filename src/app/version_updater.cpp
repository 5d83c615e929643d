#include "app/version_updater.h"

#include <algorithm>
#include <cwctype>

#include "app/hex_digit.h"
#include "app/text_compare.h"
#include "platform/module_info.h"

namespace {

constexpr const wchar_t* kStandardNames[CVersionUpdater::kStringNameCount] = {
    L"Comments",     L"CompanyName",    L"FileDescription", L"FileVersion",
    L"InternalName", L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename",
    L"PrivateBuild", L"ProductName",    L"ProductVersion",  L"SpecialBuild"};

constexpr size_t kFirstChildOffset = 92;   // after the header and VS_FIXEDFILEINFO
constexpr size_t kFirstTableOffset = 36;   // inside StringFileInfo
constexpr size_t kFirstStringOffset = 24;  // inside a StringTable
constexpr size_t kKeyOffset = 6;           // wLength, wValueLength, wType

size_t AlignUp4(size_t n) {
    return (n + 3) & ~size_t{3};
}

// Bounds-checked view of the block: every read past the end yields nothing.
class BlockReader {
  public:
    explicit BlockReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool U16(size_t at, uint16_t& value) const {
        if (at + 2 > bytes_.size())
            return false;
        value = static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
        return true;
    }

    // A NUL-terminated UTF-16LE text starting at `at` and ending before `limit`;
    // `next` receives the offset after its terminator.
    std::wstring Text(size_t at, size_t limit, size_t& next) const {
        std::u16string units;
        uint16_t unit = 0;
        next = at;
        while (next + 2 <= limit && U16(next, unit)) {
            next += 2;
            if (unit == 0)
                break;
            units += static_cast<char16_t>(unit);
        }
        return Widen(units);
    }

  private:
    static std::wstring Widen(const std::u16string& units) {
        std::wstring out;
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t cp = units[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            }
            if constexpr (sizeof(wchar_t) == 2) {
                if (cp >= 0x10000) {
                    out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
                    out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
                    continue;
                }
            }
            out += static_cast<wchar_t>(cp);
        }
        return out;
    }

    const std::vector<uint8_t>& bytes_;
};

// The stored key is compared over its own length with each standard name.
int MatchStandardName(const std::wstring& key) {
    for (int n = 0; n < CVersionUpdater::kStringNameCount; ++n) {
        const std::wstring name = kStandardNames[n];
        if (key.size() > name.size())
            continue;
        if (EqualsNoCase(key, name.substr(0, key.size())))
            return n;
    }
    return -1;
}

// Reads "%04x%04x": language then code page; stops at the first non-digit like scanf.
void ParseTableKey(const std::wstring& key, uint16_t& language, uint16_t& codePage) {
    uint32_t value[2] = {0, 0};
    for (size_t part = 0; part < 2; ++part) {
        for (size_t i = part * 4; i < part * 4 + 4 && i < key.size(); ++i) {
            const int digit = HexDigitValue(key[i]);
            if (digit < 0)
                break;
            value[part] = value[part] * 16 + static_cast<uint32_t>(digit);
        }
    }
    language = static_cast<uint16_t>(value[0]);
    codePage = static_cast<uint16_t>(value[1]);
}

}  // namespace

bool CVersionUpdater::Load(const std::wstring& path) {
    std::vector<uint8_t> block;
    if (!platform::ReadVersionInfoBlock(path, block))
        return false;
    return LoadBlock(block);
}

bool CVersionUpdater::LoadBlock(const std::vector<uint8_t>& block) {
    const BlockReader reader(block);
    uint16_t rootLength = 0;
    if (block.empty() || !reader.U16(0, rootLength))
        return false;

    std::vector<CStringTable> tables;
    const size_t child = kFirstChildOffset;
    uint16_t childLength = 0;
    size_t next = 0;
    if (reader.U16(child, childLength) &&
        EqualsNoCase(reader.Text(child + kKeyOffset, block.size(), next), L"StringFileInfo")) {
        const size_t childEnd = std::min(block.size(), child + childLength);
        size_t table = child + kFirstTableOffset;
        uint16_t tableLength = 0;
        while (table < childEnd && reader.U16(table, tableLength) && tableLength != 0) {
            const size_t tableEnd = std::min(childEnd, table + tableLength);
            CStringTable parsed;
            ParseTableKey(reader.Text(table + kKeyOffset, tableEnd, next), parsed.language,
                          parsed.codePage);
            size_t entry = table + kFirstStringOffset;
            uint16_t entryLength = 0;
            while (entry < tableEnd && reader.U16(entry, entryLength) && entryLength != 0) {
                const size_t entryEnd = std::min(tableEnd, entry + entryLength);
                const std::wstring key = reader.Text(entry + kKeyOffset, entryEnd, next);
                const int name = MatchStandardName(key);
                if (name >= 0)
                    parsed.strings[name] = reader.Text(AlignUp4(next), entryEnd, next);
                entry = AlignUp4(entry + entryLength);
            }
            tables.push_back(std::move(parsed));
            table = AlignUp4(table + tableLength);
        }
    }
    tables_ = std::move(tables);
    return true;
}
