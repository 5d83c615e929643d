// Signed answers on the installer's side: base64, the key file, the header, the signed
// bytes and the decision, against a key and a signature made by openssl.
#include "service/answer_signature.h"

#include <gtest/gtest.h>

#include "platform/crypto.h"
#include "service/base64.h"

#include <algorithm>

namespace {

// A throw-away key's public half, and openssl's signature ("openssl dgst -sha256 -sign")
// of kSignedMessage by its private half, as r and s.
constexpr char kPublicPem[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEkV8ZOHeMKr7Faoeo1+PaFpdjV4Py\n"
    "vzotJytOVpu4G/Uc3c0jzHW2nep7YEhOinJP8xsY5ACKHU9TDKxdXCbdjQ==\n"
    "-----END PUBLIC KEY-----\n";
// "openssl pkey -pubin -outform DER | sha256sum", first 16 digits.
constexpr char kKeyId[] = "4504c79338d10bcf";
constexpr char kSignedMessage[] = "signed by openssl";
constexpr char kOpensslSignature[] =
    "fb19d72aa0351a8bc15ae11a7b796be1c531b119e45b9cfedf94ebd3fd749b23"
    "9efed0830b0ae69909cafba504e57e97c5b020e6fd40d2e08a1584a2fd2e7062";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

AnswerKey TheKey() {
    std::vector<AnswerKey> keys;
    std::string error;
    EXPECT_TRUE(ParseAnswerKeys(kPublicPem, keys, error)) << error;
    return keys.empty() ? AnswerKey() : keys.front();
}

TEST(Base64, RfcVectorsBothWays) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(EncodeBase64(bytes), text);
        std::string decoded;
        EXPECT_TRUE(DecodeBase64(text, decoded)) << text;
        EXPECT_EQ(decoded, bytes);
    }
    EXPECT_EQ(EncodeBase64(std::string("\xff\xfe\x00", 3)), "//4A");
}

TEST(Base64, RefusesAllButCanonicalText) {
    for (const char* text : {"Zg=", "Zg", "Zh==", "Zm9=", "Z!==", "Zg==Zg==", "Zm9v\n", "===="}) {
        std::string bytes;
        EXPECT_FALSE(DecodeBase64(text, bytes)) << text;
    }
}

TEST(AnswerKeys, ReadsEveryKeyOfThePemText) {
    std::vector<AnswerKey> keys;
    std::string error;
    const std::string two = std::string("comment\n") + kPublicPem + kPublicPem;
    ASSERT_TRUE(ParseAnswerKeys(two, keys, error)) << error;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].id, kKeyId);
    EXPECT_EQ(keys[0].point[0], 0x04);
    EXPECT_TRUE(ParseAnswerKeys("", keys, error));
    EXPECT_TRUE(keys.empty());
}

TEST(AnswerKeys, RefusesWhatIsNotAP256PublicKey) {
    const std::string pem = kPublicPem;
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"no end line", pem.substr(0, pem.find("-----END"))},
        {"not base64", "-----BEGIN PUBLIC KEY-----\nMF!w\n-----END PUBLIC KEY-----\n"},
        // An Ed25519 key: another algorithm, another length.
        {"another algorithm",
         "-----BEGIN PUBLIC "
         "KEY-----\nMCowBQYDK2VwAyEAGb9ECWmEzf6FQbrBZ9w7lshQhqowtrbLDFw4rXAxZuE=\n"
         "-----END PUBLIC KEY-----\n"},
        // The same key with its curve's last OID byte changed (P-256 to another curve).
        {"another curve",
         [&] {
             std::string der;
             std::string body = pem.substr(27, pem.find("-----END") - 27);
             body.erase(std::remove(body.begin(), body.end(), '\n'), body.end());
             EXPECT_TRUE(DecodeBase64(body, der));
             der[22] = 0x08;
             return "-----BEGIN PUBLIC KEY-----\n" + EncodeBase64(der) +
                    "\n-----END PUBLIC KEY-----\n";
         }()},
    };
    for (const auto& c : cases) {
        std::vector<AnswerKey> keys;
        std::string error;
        EXPECT_FALSE(ParseAnswerKeys(c.text, keys, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(SignatureHeader, ParsesOnlyTheExactForm) {
    const std::string signature = EncodeBase64(FromHex(kOpensslSignature));
    std::string keyId;
    std::array<uint8_t, 64> bytes;
    ASSERT_TRUE(ParseSignatureHeader(std::string(kKeyId) + " " + signature, keyId, bytes));
    EXPECT_EQ(keyId, kKeyId);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), FromHex(kOpensslSignature));

    const struct {
        const char* name;
        std::string value;
    } bad[] = {
        {"empty", ""},
        {"no key id", signature},
        {"key id in capitals", "4504C79338D10BCF " + signature},
        {"short key id", "4504c79338d10bc " + signature},
        {"two spaces", std::string(kKeyId) + "  " + signature},
        {"not base64", std::string(kKeyId) + " " + std::string(88, '!')},
        {"63 bytes", std::string(kKeyId) + " " + EncodeBase64(std::string(63, 'x'))},
        {"65 bytes", std::string(kKeyId) + " " + EncodeBase64(std::string(65, 'x'))},
        {"too long", std::string(kKeyId) + " " + signature + std::string(300, ' ')},
    };
    for (const auto& c : bad)
        EXPECT_FALSE(ParseSignatureHeader(c.value, keyId, bytes)) << c.name;
}

TEST(SignedBytes, FrameNonceTargetAndBody) {
    EXPECT_EQ(AnswerSignedBytes("N0nce=", "/inst/?a=1&b=%41", "OK[{}]\n"),
              "install-answer-v1\nN0nce=\n/inst/?a=1&b=%41\nOK[{}]\n");
    EXPECT_EQ(AnswerSignedBytes("", "", ""), "install-answer-v1\n\n\n");
}

TEST(AnswerNonce, IsFreshBase64OfThirtyTwoBytes) {
    const std::string first = MakeAnswerNonce();
    std::string bytes;
    ASSERT_TRUE(DecodeBase64(first, bytes));
    EXPECT_EQ(bytes.size(), 32u);
    EXPECT_NE(MakeAnswerNonce(), first);
}

TEST(EcdsaP256, VerifiesOpensslSignatureAndNothingElse) {
    const AnswerKey key = TheKey();
    std::string raw = FromHex(kOpensslSignature);
    const auto verify = [&](const std::string& message) {
        return platform::VerifyEcdsaP256(key.point.data(), message.data(), message.size(),
                                         reinterpret_cast<const uint8_t*>(raw.data()));
    };
    EXPECT_TRUE(verify(kSignedMessage));
    EXPECT_FALSE(verify(std::string(kSignedMessage) + " "));
    raw[63] ^= 1;
    EXPECT_FALSE(verify(kSignedMessage));
    raw.assign(64, '\0');  // r = s = 0 is no signature at all
    EXPECT_FALSE(verify(kSignedMessage));
}

// openssl's signature of the signed bytes of one answer (made with the same key).
constexpr char kNonce[] = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=";
constexpr char kTarget[] = "/inst/?comname=Vornel&appid=qz&action=getver";
constexpr char kBody[] = "OK[{\"ver\":\"3.1\"}]";
constexpr char kAnswerSignature[] =
    "18ae40286e396d022353875ea5e0b8402dd9c84005d12b2e4bef197251539704"
    "1e54c2beebb0fb4658f9d2979b67b3a23173e7a3df3c3bb892e65aad880deacb";

TEST(CheckAnswer, DecidesEachCase) {
    const AnswerKey key = TheKey();
    AnswerKey other = key;
    other.id = "0123456789abcdef";
    other.point[40] ^= 1;
    const std::string header = std::string(kKeyId) + " " + EncodeBase64(FromHex(kAnswerSignature));
    const struct {
        const char* name;
        std::vector<AnswerKey> keys;
        std::string nonce, target, body;
        std::vector<std::string> headers;
        AnswerCheck expected;
    } cases[] = {
        {"genuine", {key}, kNonce, kTarget, kBody, {header}, AnswerCheck::Valid},
        {"the second key built in",
         {other, key},
         kNonce,
         kTarget,
         kBody,
         {header},
         AnswerCheck::Valid},
        {"changed body",
         {key},
         kNonce,
         kTarget,
         "OK[{\"ver\":\"6.6\"}]",
         {header},
         AnswerCheck::BadSignature},
        {"replayed for another nonce",
         {key},
         EncodeBase64(std::string(32, 'n')),
         kTarget,
         kBody,
         {header},
         AnswerCheck::BadSignature},
        {"answer to another query",
         {key},
         kNonce,
         std::string(kTarget) + "&x=1",
         kBody,
         {header},
         AnswerCheck::BadSignature},
        {"no signature", {key}, kNonce, kTarget, kBody, {}, AnswerCheck::NoSignature},
        {"two signatures", {key}, kNonce, kTarget, kBody, {header, header}, AnswerCheck::Malformed},
        {"garbled signature",
         {key},
         kNonce,
         kTarget,
         kBody,
         {"4504c79338d10bcf AAAA"},
         AnswerCheck::Malformed},
        {"unknown key", {other}, kNonce, kTarget, kBody, {header}, AnswerCheck::UnknownKey},
        {"no keys could be read", {}, kNonce, kTarget, kBody, {header}, AnswerCheck::UnknownKey},
    };
    for (const auto& c : cases) {
        std::string keyId;
        EXPECT_EQ(CheckAnswer(c.keys, c.nonce, c.target, c.body, c.headers, keyId), c.expected)
            << c.name;
    }
    std::string keyId;
    CheckAnswer({other}, kNonce, kTarget, kBody, {header}, keyId);
    EXPECT_EQ(keyId, kKeyId) << "the log names the key the answer claimed";
}

}  // namespace
