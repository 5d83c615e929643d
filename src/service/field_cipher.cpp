#include "service/field_cipher.h"

#include "app/hex_digit.h"
#include "platform/text_codec.h"
#include "service/des.h"
#include "service/http_post.h"
#include "service/md5.h"

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

des::Block PrepareKey(std::string_view key) {
    des::Block block{};
    for (size_t i = 0; i < block.size() && i < key.size(); ++i)
        block[i] = static_cast<uint8_t>(key[i]);
    return block;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One pair of characters as one byte: blanks skipped, then hexadecimal digits.
uint8_t ReadHexPair(char first, char second) {
    const char pair[2] = {first, second};
    size_t i = 0;
    while (i < 2 && IsBlank(pair[i]))
        ++i;
    unsigned value = 0;
    for (; i < 2 && HexDigitValue(pair[i]) >= 0; ++i)
        value = value * 16 + static_cast<unsigned>(HexDigitValue(pair[i]));
    return static_cast<uint8_t>(value & 0xFFU);
}

std::string ToUpperHex(const uint8_t* bytes, size_t count) {
    std::string hex;
    hex.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        hex.push_back(kUpperHexDigits[bytes[i] >> 4]);
        hex.push_back(kUpperHexDigits[bytes[i] & 0xF]);
    }
    return hex;
}

}  // namespace

std::string DesEncryptHex(std::string_view plain, std::string_view key) {
    const des::KeySchedule schedule(PrepareKey(key));
    std::string hex;
    hex.reserve((plain.size() + 7) / 8 * 16);
    for (size_t offset = 0; offset < plain.size(); offset += 8) {
        des::Block block{};  // zero bytes pad the last block
        for (size_t i = 0; i < 8 && offset + i < plain.size(); ++i)
            block[i] = static_cast<uint8_t>(plain[offset + i]);
        const des::Block cipher = schedule.Encrypt(block);
        hex += ToUpperHex(cipher.data(), cipher.size());
    }
    return hex;
}

std::string DesDecryptHex(std::string_view hex, std::string_view key) {
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(ReadHexPair(hex[i], hex[i + 1])));

    const des::KeySchedule schedule(PrepareKey(key));
    std::string plain;
    plain.reserve(bytes.size());
    for (size_t offset = 0; offset + 8 <= bytes.size(); offset += 8) {
        des::Block block{};
        for (size_t i = 0; i < 8; ++i)
            block[i] = static_cast<uint8_t>(bytes[offset + i]);
        const des::Block clear = schedule.Decrypt(block);
        plain.append(reinterpret_cast<const char*>(clear.data()), clear.size());
    }
    while (!plain.empty() && plain.back() == '\0')
        plain.pop_back();
    return plain;
}

std::string Md5Hex(std::string_view ansiText, size_t maxLength) {
    const md5::Digest digest = md5::Compute(AnsiToUtf8(ansiText));
    std::string hex = ToUpperHex(digest.data(), digest.size());
    if (maxLength == 0)
        return {};
    if (hex.size() > maxLength - 1)
        hex.resize(maxLength - 1);
    return hex;
}

std::string HexToSymbols(std::string_view hexDigits) {
    // 128 bits, most significant first, in two 64-bit halves.
    uint64_t high = 0, low = 0;
    for (size_t i = 0; i < 32; ++i) {
        const int value = i < hexDigits.size() ? HexDigitValue(hexDigits[i]) : -1;
        const uint64_t nibble = value < 0 ? 0 : static_cast<uint64_t>(value);
        uint64_t& half = i < 16 ? high : low;
        half = (half << 4) | nibble;
    }
    auto bit = [&](size_t index) -> unsigned {  // index 0 = most significant
        return index < 64 ? static_cast<unsigned>(high >> (63 - index)) & 1U
                          : static_cast<unsigned>(low >> (127 - index)) & 1U;
    };
    std::string symbols;
    symbols.reserve(22);
    for (size_t group = 0; group < 22; ++group) {
        unsigned value = 0;
        for (size_t b = group * 6; b < group * 6 + 6 && b < 128; ++b)
            value = (value << 1) | bit(b);
        // The last group holds 2 bits read as a 6-bit value with leading zeros.
        symbols.push_back(field_cipher_texts::kSymbolTable[value & 0x3FU]);
    }
    return symbols;
}

std::string MakeFieldSeed(std::wstring_view material) {
    return Md5Hex(text::WideToSystem(material), 9);
}

std::string DeriveFieldKey(std::string_view seed) {
    const std::string joined = std::string(field_cipher_texts::kKeyPrefix) + std::string(seed);
    const std::string cipher = DesEncryptHex(joined, field_cipher_texts::kFixedDesKey);
    return HexToSymbols(Md5Hex(cipher, 33)).substr(0, 8);
}

std::string DecryptField(std::string_view enciphered, std::string_view seed) {
    std::string plain = DesDecryptHex(enciphered, DeriveFieldKey(seed));
    const size_t zero = plain.find('\0');
    if (zero != std::string::npos)
        plain.resize(zero);
    return Utf8ToAnsi(plain);
}

std::string EncryptField(std::string_view plainUtf8, std::string_view seed) {
    return DesEncryptHex(plainUtf8, DeriveFieldKey(seed));
}

std::wstring NeedDownSeedMaterial(std::wstring_view comname, std::wstring_view id) {
    std::wstring material(comname);
    material += id;
    material += text::SystemToWide(field_cipher_texts::kNeedDownSeedSuffix);
    return material;
}

std::wstring GetFtpSeedMaterial(std::wstring_view comname, std::wstring_view appid,
                                std::wstring_view serverNo) {
    std::wstring material(comname);
    material += appid;
    material += serverNo;
    material += text::SystemToWide(field_cipher_texts::kGetFtpSeedSuffix);
    return material;
}
