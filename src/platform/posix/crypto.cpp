#include "platform/crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

namespace platform {

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
    bool valid = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    state_->context = EVP_MD_CTX_new();
    state_->valid = state_->context != nullptr &&
                    EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(state_->context);
}

bool Sha256::Valid() const {
    return state_->valid;
}

void Sha256::Update(const void* data, size_t size) {
    if (state_->valid && size > 0)
        state_->valid = EVP_DigestUpdate(state_->context, data, size) == 1;
}

bool Sha256::Finish(uint8_t (&digest)[kDigestSize]) {
    unsigned length = 0;
    const bool ok = state_->valid && EVP_DigestFinal_ex(state_->context, digest, &length) == 1 &&
                    length == kDigestSize;
    state_->valid = false;
    return ok;
}

bool RandomBytes(void* buffer, size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const int piece = size > INT_MAX ? INT_MAX : static_cast<int>(size);
        if (RAND_bytes(bytes, piece) != 1)
            return false;
        bytes += piece;
        size -= static_cast<size_t>(piece);
    }
    return true;
}

}  // namespace platform
