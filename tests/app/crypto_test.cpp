// The system's SHA-256 and random generator behind platform/crypto.h.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

// The digest of `message` given in pieces of `piece` bytes (0: in one piece).
std::string Digest(const std::string& message, size_t piece) {
    platform::Sha256 hash;
    EXPECT_TRUE(hash.Valid());
    if (piece == 0)
        piece = message.size() + 1;
    for (size_t at = 0; at < message.size(); at += piece)
        hash.Update(message.data() + at, std::min(piece, message.size() - at));
    uint8_t digest[platform::Sha256::kDigestSize];
    EXPECT_TRUE(hash.Finish(digest));
    return Hex(digest, sizeof digest);
}

TEST(Sha256, NistVectorsWholeAndInPieces) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 16));
        for (const size_t piece : {size_t{0}, size_t{1}, size_t{63}, size_t{65536}})
            EXPECT_EQ(Digest(c.message, piece), c.digest) << "pieces of " << piece;
    }
}

TEST(Sha256, ASpentHasherGivesNoSecondDigest) {
    platform::Sha256 hash;
    uint8_t digest[platform::Sha256::kDigestSize];
    ASSERT_TRUE(hash.Finish(digest));
    EXPECT_FALSE(hash.Valid());
    EXPECT_FALSE(hash.Finish(digest));
}

TEST(RandomBytes, TwoDrawsDiffer) {
    uint8_t first[32] = {};
    uint8_t second[32] = {};
    ASSERT_TRUE(platform::RandomBytes(first, sizeof first));
    ASSERT_TRUE(platform::RandomBytes(second, sizeof second));
    EXPECT_NE(Hex(first, sizeof first), Hex(second, sizeof second));
    EXPECT_NE(Hex(first, sizeof first), std::string(64, '0'));
}

}  // namespace
