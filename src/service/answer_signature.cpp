#include "service/answer_signature.h"

#include <cstring>

#include "app/hex_digit.h"
#include "platform/crypto.h"
#include "service/base64.h"

namespace {

// The DER SubjectPublicKeyInfo of a P-256 key up to its point: SEQUENCE, the algorithm
// (id-ecPublicKey, prime256v1), BIT STRING of 66 bytes.
constexpr uint8_t kP256InfoPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};
constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
// Far above the 16 + 1 + 88 characters of a well-formed value.
constexpr size_t kMaxSignatureHeader = 256;

bool IsKeyId(std::string_view text) {
    if (text.size() != 16)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

}  // namespace

bool ParseAnswerKeys(std::string_view pem, std::vector<AnswerKey>& keys, std::string& error) {
    keys.clear();
    for (size_t at = pem.find(kBegin); at != std::string_view::npos; at = pem.find(kBegin, at)) {
        at += kBegin.size();
        const size_t end = pem.find(kEnd, at);
        if (end == std::string_view::npos) {
            error = "a public key without its end line";
            return false;
        }
        std::string text;
        for (const char c : pem.substr(at, end - at))
            if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
                text += c;
        std::string der;
        if (!DecodeBase64(text, der)) {
            error = "a public key that is not base64";
            return false;
        }
        AnswerKey key;
        if (der.size() != sizeof kP256InfoPrefix + key.point.size() ||
            std::memcmp(der.data(), kP256InfoPrefix, sizeof kP256InfoPrefix) != 0 ||
            der[sizeof kP256InfoPrefix] != 0x04) {
            error = "a public key that is not an uncompressed P-256 key";
            return false;
        }
        std::memcpy(key.point.data(), der.data() + sizeof kP256InfoPrefix, key.point.size());
        key.id = AnswerKeyId(key.point);
        keys.push_back(key);
        at = end + kEnd.size();
    }
    return true;
}

std::string AnswerKeyId(const std::array<uint8_t, 65>& point) {
    platform::Sha256 hash;
    hash.Update(kP256InfoPrefix, sizeof kP256InfoPrefix);
    hash.Update(point.data(), point.size());
    uint8_t digest[platform::Sha256::kDigestSize];
    if (!hash.Finish(digest))
        return std::string();
    return LowerHex(digest, 8);
}

std::string MakeAnswerNonce() {
    char bytes[32];
    if (!platform::RandomBytes(bytes, sizeof bytes))
        return std::string();
    return EncodeBase64(std::string_view(bytes, sizeof bytes));
}

std::string AnswerSignedBytes(std::string_view nonce, std::string_view target,
                              std::string_view body) {
    std::string bytes = "install-answer-v1\n";
    bytes.append(nonce).append("\n").append(target).append("\n").append(body);
    return bytes;
}

bool ParseSignatureHeader(std::string_view value, std::string& keyId,
                          std::array<uint8_t, 64>& signature) {
    if (value.size() > kMaxSignatureHeader)
        return false;
    const size_t space = value.find(' ');
    if (space == std::string_view::npos)
        return false;
    std::string bytes;
    if (!IsKeyId(value.substr(0, space)) || !DecodeBase64(value.substr(space + 1), bytes) ||
        bytes.size() != signature.size())
        return false;
    keyId = std::string(value.substr(0, space));
    std::memcpy(signature.data(), bytes.data(), signature.size());
    return true;
}

AnswerCheck CheckAnswer(const std::vector<AnswerKey>& keys, std::string_view nonce,
                        std::string_view target, std::string_view body,
                        const std::vector<std::string>& signatures, std::string& keyId) {
    keyId.clear();
    if (signatures.empty())
        return AnswerCheck::NoSignature;
    std::array<uint8_t, 64> signature;
    if (signatures.size() != 1 || !ParseSignatureHeader(signatures[0], keyId, signature))
        return AnswerCheck::Malformed;
    for (const auto& key : keys) {
        if (key.id != keyId)
            continue;
        const std::string signedBytes = AnswerSignedBytes(nonce, target, body);
        return platform::VerifyEcdsaP256(key.point.data(), signedBytes.data(), signedBytes.size(),
                                         signature.data())
                   ? AnswerCheck::Valid
                   : AnswerCheck::BadSignature;
    }
    return AnswerCheck::UnknownKey;
}

std::string DescribeAnswerCheck(AnswerCheck check, const std::string& keyId) {
    switch (check) {
        case AnswerCheck::Valid:
            return "valid signature";
        case AnswerCheck::NoSignature:
            return "no signature";
        case AnswerCheck::Malformed:
            return "malformed signature";
        case AnswerCheck::UnknownKey:
            return "unknown key " + keyId;
        case AnswerCheck::BadSignature:
            return "bad signature by key " + keyId;
    }
    return "bad signature";
}
