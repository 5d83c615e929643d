#include "install/size_arithmetic.h"

#include <cwchar>

int64_t KiBTextToBytes(const std::wstring& kib) {
    const long long value = std::wcstoll(kib.c_str(), nullptr, 10);
    if (value <= 0)
        return 0;
    return value > kMaxSize / 1024 ? kMaxSize : static_cast<int64_t>(value) * 1024;
}

int64_t ScaledShare(int64_t numerator, int64_t denominator, int64_t scale) {
    if (denominator <= 0 || numerator <= 0)
        return 0;
    if (numerator >= denominator)
        return scale;
    // The product of two sizes needs more than 64 bits.
    return static_cast<int64_t>(static_cast<__int128>(numerator) * scale / denominator);
}
