// DES and MD5 against published known answers; the field cipher built on them.
#include <gtest/gtest.h>

#include <string>

#include "field_cipher_texts.h"
#include "service/des.h"
#include "service/field_cipher.h"
#include "service/md5.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    return out;
}

des::Block BlockOf(const std::string& hex) {
    des::Block block{};
    for (size_t i = 0; i < 8; ++i)
        block[i] = static_cast<uint8_t>(std::stoul(hex.substr(i * 2, 2), nullptr, 16));
    return block;
}

struct DesVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Known answers: the worked example of the standard's tutorial literature, the FIPS 81
// "Now is t" block, and variable-plaintext / variable-key / permutation / S-box rows of
// the NBS validation tables (SP 800-17).
constexpr DesVector kDesVectors[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"0101010101010102", "0000000000000000", "869EFD7F9F265A09"},
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
};

TEST(Des, KnownAnswersBothWays) {
    for (const DesVector& v : kDesVectors) {
        SCOPED_TRACE(std::string(v.key) + " " + v.plain);
        const des::KeySchedule schedule(BlockOf(v.key));
        const des::Block cipher = schedule.Encrypt(BlockOf(v.plain));
        EXPECT_EQ(Hex(cipher.data(), cipher.size()), v.cipher);
        const des::Block plain = schedule.Decrypt(BlockOf(v.cipher));
        EXPECT_EQ(Hex(plain.data(), plain.size()), v.plain);
    }
}

TEST(Md5, Rfc1321Suite) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const md5::Digest digest = md5::Compute(c.input);
        EXPECT_EQ(Hex(digest.data(), digest.size()), c.digest);
        EXPECT_EQ(Md5Hex(c.input, 33), c.digest);
    }
}

TEST(Md5, PaddingBoundaries) {
    // 55, 56, 63, 64 and 65 bytes straddle the one-or-two padding block boundary; each
    // must differ from its neighbours and be stable.
    std::string previous;
    for (size_t size : {55U, 56U, 63U, 64U, 65U, 119U, 120U}) {
        const std::string digest = Md5Hex(std::string(size, 'x'), 33);
        EXPECT_EQ(digest.size(), 32U);
        EXPECT_NE(digest, previous) << size;
        previous = digest;
    }
    EXPECT_EQ(Md5Hex(std::string(64, 'a'), 33), "014842D480B571495A4A0363793F7367");
}

TEST(Md5Hex, CutsToMaxLengthMinusOne) {
    EXPECT_EQ(Md5Hex("abc", 9), "90015098");
    EXPECT_EQ(Md5Hex("abc", 1), "");
    EXPECT_EQ(Md5Hex("abc", 0), "");
    EXPECT_EQ(Md5Hex("abc", 100), "900150983CD24FB0D6963F7D28E17F72");
}

}  // namespace
