#pragma once
// Signs the service's answers with the company's private key (ECDSA P-256), so that an
// installer built with the public key can prove them genuine and fresh even over plain
// HTTP. The headers and the signed bytes are described in docs/protocol.md.
#include <string>
#include <string_view>

typedef struct evp_pkey_st EVP_PKEY;

namespace service {

class AnswerSigner {
  public:
    AnswerSigner() = default;
    ~AnswerSigner();
    AnswerSigner(const AnswerSigner&) = delete;
    AnswerSigner& operator=(const AnswerSigner&) = delete;

    // Reads a P-256 private key (PEM); the key identifier becomes the one installers
    // compute from its public key.
    bool Load(const std::string& path, std::string& error);
    const std::string& KeyId() const { return keyId_; }
    // Another identifier to send (a key known to installers under it).
    void SetKeyId(std::string id) { keyId_ = std::move(id); }

    // The signature header's value for one answer; empty when signing failed.
    std::string Sign(std::string_view nonce, std::string_view target, std::string_view body) const;

  private:
    EVP_PKEY* key_ = nullptr;
    std::string keyId_;
};

// A nonce worth signing over: the 44 base64 characters of 32 bytes that installers send
// (anything else is answered without a signature).
bool IsAnswerNonce(std::string_view nonce);

}  // namespace service
