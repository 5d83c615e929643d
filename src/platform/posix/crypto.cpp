#include "platform/crypto.h"

#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <algorithm>
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

bool VerifyEcdsaP256(const uint8_t* point, const void* message, size_t size,
                     const uint8_t* signature) {
    // The key as a DER SubjectPublicKeyInfo, the form libcrypto reads without choosing a
    // curve API.
    static const uint8_t kInfoPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                          0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                          0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};
    unsigned char info[sizeof kInfoPrefix + 65];
    std::copy(kInfoPrefix, kInfoPrefix + sizeof kInfoPrefix, info);
    std::copy(point, point + 65, info + sizeof kInfoPrefix);
    const unsigned char* read = info;
    EVP_PKEY* key = d2i_PUBKEY(nullptr, &read, sizeof info);
    // libcrypto takes the DER form of the signature.
    ECDSA_SIG* sig = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(signature, 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature + 32, 32, nullptr);
    unsigned char* der = nullptr;
    int derSize = -1;
    if (sig != nullptr && r != nullptr && s != nullptr && ECDSA_SIG_set0(sig, r, s) == 1) {
        r = s = nullptr;  // owned by sig now
        derSize = i2d_ECDSA_SIG(sig, &der);
    }
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool valid = key != nullptr && derSize > 0 && context != nullptr &&
                       EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
                       EVP_DigestVerify(context, der, static_cast<size_t>(derSize),
                                        static_cast<const unsigned char*>(message), size) == 1;
    EVP_MD_CTX_free(context);
    OPENSSL_free(der);
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(sig);
    EVP_PKEY_free(key);
    return valid;
}

}  // namespace platform
