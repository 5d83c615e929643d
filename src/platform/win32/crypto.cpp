#include "platform/crypto.h"

#include <windows.h>
// clang-format off
#include <bcrypt.h>
// clang-format on

#include <climits>

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

}  // namespace platform
