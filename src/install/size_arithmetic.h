#pragma once
// Sizes come from the service and the mirrors, which anyone on the way can change: sums
// and products of them saturate at the largest size instead of overflowing.
#include <cstdint>
#include <limits>
#include <string>

inline constexpr int64_t kMaxSize = std::numeric_limits<int64_t>::max();

// a + b for sizes (negative values count as 0), at most kMaxSize.
inline int64_t AddSizes(int64_t a, int64_t b) {
    a = a < 0 ? 0 : a;
    b = b < 0 ? 0 : b;
    return a > kMaxSize - b ? kMaxSize : a + b;
}

// A plan's "filesize" (KiB, decimal) in bytes: 0 when it is no number or negative, at most
// kMaxSize. It is a display value only: the mirrors fix the real size.
int64_t KiBTextToBytes(const std::wstring& kib);

// numerator * scale / denominator without overflow, for 0 <= numerator <= denominator.
int64_t ScaledShare(int64_t numerator, int64_t denominator, int64_t scale);
