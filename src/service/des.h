#pragma once
// The DES block cipher (FIPS 46-3) on single 8-byte blocks. Bit 1 of a block is the most
// significant bit of its first byte. Each schedule belongs to its caller, so concurrent
// encryptions and decryptions never share state.
#include <array>
#include <cstddef>
#include <cstdint>

namespace des {

using Block = std::array<uint8_t, 8>;

class KeySchedule {
  public:
    // The 8 key bytes; their parity bits are ignored, as the standard says.
    explicit KeySchedule(const Block& key);

    Block Encrypt(const Block& plain) const;
    Block Decrypt(const Block& cipher) const;

  private:
    uint64_t Crypt(uint64_t block, bool decrypt) const;

    std::array<uint64_t, 16> roundKeys_{};  // 48 bits each
};

}  // namespace des
