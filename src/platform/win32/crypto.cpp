#include "platform/crypto.h"

#include <windows.h>
// clang-format off
#include <bcrypt.h>
// clang-format on

#include <climits>
#include <cstring>

namespace platform {

struct Sha256::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool valid = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->valid = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(
                        &state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
                    BCRYPT_SUCCESS(BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0,
                                                    nullptr, 0, 0));
}

Sha256::~Sha256() {
    if (state_->hash != nullptr)
        BCryptDestroyHash(state_->hash);
    if (state_->algorithm != nullptr)
        BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

bool Sha256::Valid() const {
    return state_->valid;
}

void Sha256::Update(const void* data, size_t size) {
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
    while (state_->valid && size > 0) {
        const ULONG piece = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        state_->valid = BCRYPT_SUCCESS(BCryptHashData(state_->hash, bytes, piece, 0));
        bytes += piece;
        size -= piece;
    }
}

bool Sha256::Finish(uint8_t (&digest)[kDigestSize]) {
    const bool ok =
        state_->valid && BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest, kDigestSize, 0));
    state_->valid = false;
    return ok;
}

bool RandomBytes(void* buffer, size_t size) {
    auto* bytes = static_cast<UCHAR*>(buffer);
    while (size > 0) {
        const ULONG piece = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        if (!BCRYPT_SUCCESS(
                BCryptGenRandom(nullptr, bytes, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

bool VerifyEcdsaP256(const uint8_t* point, const void* message, size_t size,
                     const uint8_t* signature) {
    if (point[0] != 0x04 || size > ULONG_MAX)
        return false;
    uint8_t digest[Sha256::kDigestSize];
    Sha256 hash;
    hash.Update(message, size);
    if (!hash.Finish(digest))
        return false;
    // The public key blob: its header, then x and y.
    UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob, &header, sizeof header);
    std::memcpy(blob + sizeof header, point + 1, 64);
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    // CNG wants the raw r and s, as given.
    const bool valid = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(
                           &algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) &&
                       BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                                          &key, blob, sizeof blob, 0)) &&
                       BCRYPT_SUCCESS(BCryptVerifySignature(key, nullptr, digest, sizeof digest,
                                                            const_cast<PUCHAR>(signature), 64, 0));
    if (key != nullptr)
        BCryptDestroyKey(key);
    if (algorithm != nullptr)
        BCryptCloseAlgorithmProvider(algorithm, 0);
    return valid;
}

}  // namespace platform
