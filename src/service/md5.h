#pragma once
// The MD5 message digest (RFC 1321).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace md5 {

using Digest = std::array<uint8_t, 16>;

Digest Compute(std::string_view bytes);

}  // namespace md5
