#pragma once
// Signed service answers: the installer sends a fresh nonce with every query and takes an
// answer only with a valid ECDSA P-256 signature, by a key it was built with, over the
// nonce, the request target and the answer's body. The headers and the signed bytes are
// described in docs/protocol.md.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kNonceHeader[] = "X-Install-Nonce";
inline constexpr char kSignatureHeader[] = "X-Install-Signature";

struct AnswerKey {
    std::string id;                      // 16 lowercase hexadecimal digits
    std::array<uint8_t, 65> point = {};  // the public point, uncompressed (0x04, x, y)
};

// The P-256 public keys ("-----BEGIN PUBLIC KEY-----" blocks) of a PEM text. False, with
// the reason, when a block is not such a key; text outside the blocks is ignored.
bool ParseAnswerKeys(std::string_view pem, std::vector<AnswerKey>& keys, std::string& error);

// A key's identifier: the first 8 bytes of the SHA-256 of its DER SubjectPublicKeyInfo,
// in hexadecimal.
std::string AnswerKeyId(const std::array<uint8_t, 65>& point);

// A fresh nonce as sent: 32 random bytes in base64. Empty when the system has no random
// bytes to give.
std::string MakeAnswerNonce();

// The bytes a signature covers.
std::string AnswerSignedBytes(std::string_view nonce, std::string_view target,
                              std::string_view body);

// "<key id> <base64 of r and s>": false when the value has any other form.
bool ParseSignatureHeader(std::string_view value, std::string& keyId,
                          std::array<uint8_t, 64>& signature);

enum class AnswerCheck { Valid, NoSignature, Malformed, UnknownKey, BadSignature };

// Checks one answer; `signatures` are the values of every signature header it had (one is
// expected). `keyId` receives the identifier the answer named, when it named one.
AnswerCheck CheckAnswer(const std::vector<AnswerKey>& keys, std::string_view nonce,
                        std::string_view target, std::string_view body,
                        const std::vector<std::string>& signatures, std::string& keyId);

// The log's words for a refused answer, naming the key it claimed when it named one.
std::string DescribeAnswerCheck(AnswerCheck check, const std::string& keyId);
