#pragma once
// Hexadecimal digits: the value of one, in narrow or wide text, and bytes written as
// lower-case digits.
#include <cstddef>
#include <cstdint>
#include <string>

// 0 to 15, or -1 when `c` is no hexadecimal digit.
constexpr int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return static_cast<int>(c - L'0');
    if (c >= L'a' && c <= L'f')
        return static_cast<int>(c - L'a' + 10);
    if (c >= L'A' && c <= L'F')
        return static_cast<int>(c - L'A' + 10);
    return -1;
}

// Two lower-case digits per byte.
inline std::string LowerHex(const uint8_t* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}
