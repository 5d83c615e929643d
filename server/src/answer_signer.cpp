#include "answer_signer.h"

#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "service/answer_signature.h"
#include "service/base64.h"

namespace service {

AnswerSigner::~AnswerSigner() {
    EVP_PKEY_free(key_);
}

bool AnswerSigner::Load(const std::string& path, std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot read the signing key " + path;
        return false;
    }
    EVP_PKEY* key = PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr);
    // The public key's DER form: its last 65 bytes are the point installers know it by.
    unsigned char* der = nullptr;
    const int size = key != nullptr ? i2d_PUBKEY(key, &der) : -1;
    std::array<uint8_t, 65> point = {};
    const bool p256 = size == 91 && EVP_PKEY_is_a(key, "EC") && EVP_PKEY_get_bits(key) == 256 &&
                      der[size - 65] == 0x04;
    if (p256)
        std::memcpy(point.data(), der + size - 65, point.size());
    OPENSSL_free(der);
    if (!p256) {
        EVP_PKEY_free(key);
        error = "the signing key " + path + " is not a P-256 private key (PEM)";
        return false;
    }
    EVP_PKEY_free(key_);
    key_ = key;
    keyId_ = AnswerKeyId(point);
    return true;
}

std::string AnswerSigner::Sign(std::string_view nonce, std::string_view target,
                               std::string_view body) const {
    if (key_ == nullptr)
        return std::string();
    const std::string bytes = AnswerSignedBytes(nonce, target, body);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    std::string der(80, '\0');  // a DER P-256 signature takes at most 72 bytes
    size_t derSize = der.size();
    const bool signedOk =
        context != nullptr &&
        EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key_) == 1 &&
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(der.data()), &derSize,
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1;
    EVP_MD_CTX_free(context);
    if (!signedOk)
        return std::string();
    // Installers take r and s as they are, 32 bytes each.
    const auto* read = reinterpret_cast<const unsigned char*>(der.data());
    ECDSA_SIG* signature = d2i_ECDSA_SIG(nullptr, &read, static_cast<long>(derSize));
    unsigned char raw[64];
    const bool rawOk = signature != nullptr &&
                       BN_bn2binpad(ECDSA_SIG_get0_r(signature), raw, 32) == 32 &&
                       BN_bn2binpad(ECDSA_SIG_get0_s(signature), raw + 32, 32) == 32;
    ECDSA_SIG_free(signature);
    if (!rawOk)
        return std::string();
    return keyId_ + " " + EncodeBase64(std::string_view(reinterpret_cast<char*>(raw), 64));
}

bool IsAnswerNonce(std::string_view nonce) {
    std::string bytes;
    return nonce.size() == 44 && DecodeBase64(nonce, bytes) && bytes.size() == 32;
}

}  // namespace service
