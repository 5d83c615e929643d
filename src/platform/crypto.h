#pragma once
// Cryptography from the operating system (Windows CNG, OpenSSL's libcrypto on Linux):
// nothing of it is written here.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// SHA-256 of bytes given in pieces.
class Sha256 {
  public:
    static constexpr size_t kDigestSize = 32;

    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // False when the system could not set the hash up, or once a piece failed.
    bool Valid() const;
    void Update(const void* data, size_t size);
    // The digest of everything given; the hasher is spent afterwards. False when it is
    // not valid.
    bool Finish(uint8_t (&digest)[kDigestSize]);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Fills `buffer` with bytes from the system's cryptographic random generator.
bool RandomBytes(void* buffer, size_t size);

// True when `signature` (r and s, 32 bytes each, big-endian) is a valid ECDSA signature
// with SHA-256 of the message by the P-256 public key whose uncompressed point (0x04, x, y:
// 65 bytes) is `point`.
bool VerifyEcdsaP256(const uint8_t* point, const void* message, size_t size,
                     const uint8_t* signature);

}  // namespace platform
