// DES and MD5 against published known answers; the field cipher built on them.
#include <gtest/gtest.h>

#include <string>

#include "field_cipher_texts.h"
#include "platform/text_codec.h"
#include "service/des.h"
#include "service/field_cipher.h"
#include "service/md5.h"

#include <cctype>

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

namespace {

TEST(DesHex, LengthsAndPadding) {
    EXPECT_EQ(DesEncryptHex("", "key").size(), 0U);
    EXPECT_EQ(DesEncryptHex("12345678", "key").size(), 16U);
    EXPECT_EQ(DesEncryptHex("123456789", "key").size(), 32U);
    // The short block is padded with zero bytes.
    EXPECT_EQ(DesEncryptHex("abc", "key"), DesEncryptHex(std::string("abc\0\0\0\0\0", 8), "key"));
    // Known answer through the hexadecimal layer ("Now is t" under 0123456789ABCDEF).
    EXPECT_EQ(DesEncryptHex("Now is t", "\x01\x23\x45\x67\x89\xAB\xCD\xEF"), "3FA40E8A984D4815");
}

TEST(DesHex, KeyPreparation) {
    EXPECT_EQ(DesEncryptHex("plain", "7-chars"),
              DesEncryptHex("plain", std::string("7-chars\0", 8)));
    EXPECT_EQ(DesEncryptHex("plain", "ten chars!"), DesEncryptHex("plain", "ten char"));
    EXPECT_NE(DesEncryptHex("plain", "ten chars!"), DesEncryptHex("plain", "ten chaX"));
}

TEST(DesHex, DecryptReadsPairsAndWholeBlocks) {
    const std::string plain = "sixteen bytes!!!";
    const std::string hex = DesEncryptHex(plain, "k");
    std::string lower = hex;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const struct {
        const char* name;
        std::string input;
        std::string expected;
    } cases[] = {
        {"round trip", hex, plain},
        {"lower case", lower, plain},
        {"odd digit ignored", hex.substr(0, 16) + "F", plain.substr(0, 8)},
        {"partial block ignored", hex.substr(0, 20), plain.substr(0, 8)},
        {"single digit", "A", ""},
        {"empty", "", ""},
        {"trailing zero bytes removed", DesEncryptHex(std::string("ab\0\0\0\0\0\0\0\0x", 11), "k"),
         std::string("ab\0\0\0\0\0\0\0\0x", 11)},
        {"only zero bytes", DesEncryptHex(std::string(8, '\0'), "k"), ""},
        // A pair that does not start with a digit reads as 0; a blank before a digit is skipped.
        {"non-hex pairs read as zero", std::string(16, 'Z'),
         DesDecryptHex(std::string(16, '0'), "k")},
        {"blank before a digit", " 1 2 3 4 5 6 7 8", DesDecryptHex("0102030405060708", "k")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DesDecryptHex(c.input, "k"), c.expected);
    }
}

TEST(HexToSymbols, SixBitGroups) {
    const std::string table = field_cipher_texts::kSymbolTable;
    EXPECT_EQ(HexToSymbols(std::string(32, '0')), std::string(22, table[0]));
    // 21 groups of 111111, then 11 read as 000011.
    EXPECT_EQ(HexToSymbols(std::string(32, 'F')), std::string(21, table[63]) + table[3]);
    // 0x04 = 000001|00 -> groups 1, then zeros.
    EXPECT_EQ(HexToSymbols("04" + std::string(30, '0')), table[1] + std::string(21, table[0]));
    // Lower case and garbage: digits count, other characters are zeros.
    EXPECT_EQ(HexToSymbols(std::string(32, 'f')), HexToSymbols(std::string(32, 'F')));
    EXPECT_EQ(HexToSymbols("zz"), std::string(22, table[0]));
}

TEST(FieldCipher, SeedAndKeyForms) {
    const std::string seed = MakeFieldSeed(NeedDownSeedMaterial(L"Vornel", L"17"));
    ASSERT_EQ(seed.size(), 8U);
    EXPECT_EQ(seed.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(seed, Md5Hex(std::string("Vornel17") + field_cipher_texts::kNeedDownSeedSuffix, 9));

    const std::string key = DeriveFieldKey(seed);
    ASSERT_EQ(key.size(), 8U);
    for (const char c : key)
        EXPECT_NE(std::string(field_cipher_texts::kSymbolTable).find(c), std::string::npos);
    EXPECT_NE(DeriveFieldKey("00000000"), DeriveFieldKey("00000001"));
    EXPECT_EQ(GetFtpSeedMaterial(L"a", L"b", L"c"),
              L"abc" + std::wstring(field_cipher_texts::kGetFtpSeedSuffix,
                                    field_cipher_texts::kGetFtpSeedSuffix +
                                        sizeof(field_cipher_texts::kGetFtpSeedSuffix) - 1));
}

TEST(FieldCipher, KeyOfTheDefaultTexts) {
    // Guards compatibility with services built with the default texts.
    if (std::string(field_cipher_texts::kFixedDesKey) != "Kq7#mZ2p" ||
        std::string(field_cipher_texts::kKeyPrefix) != "InstFieldK-" ||
        std::string(field_cipher_texts::kSymbolTable) !=
            "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-_")
        GTEST_SKIP() << "built with other cipher texts";
    // Worked out independently: DES-ECB and MD5 of another toolkit over the same steps.
    EXPECT_EQ(DesEncryptHex("InstFieldK-1234ABCD", "Kq7#mZ2p"),
              "168B9531119EE318553A968538BD604550561221B40B42E1");
    EXPECT_EQ(DeriveFieldKey("1234ABCD"), "fXDRKDdP");
}

TEST(FieldCipher, RoundTrips) {
    const std::string seed = MakeFieldSeed(L"Vornelqz10.0.0.7");
    const struct {
        const char* name;
        std::string plainUtf8;
        std::wstring expected;
    } cases[] = {
        {"short", "pw", L"pw"},
        {"one block", "8 chars!", L"8 chars!"},
        {"several blocks", "a longer archive password", L"a longer archive password"},
        {"non-ASCII", "\xE5\x8D\x8E\xE6\x96\x87", L"\u534E\u6587"},
        {"cut at the first zero byte", std::string("text\0more", 9), L"text"},
        {"empty", "", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string field = EncryptField(c.plainUtf8, seed);
        EXPECT_EQ(field.size() % 16, 0U);
        EXPECT_EQ(text::SystemToWide(DecryptField(field, seed)), c.expected);
    }
}

TEST(FieldCipher, DamagedFieldsGiveSomeTextWithoutFailing) {
    const std::string seed = MakeFieldSeed(L"material");
    const std::string field = EncryptField("password", seed);
    EXPECT_EQ(DecryptField(field + "A", seed), DecryptField(field, seed));  // odd length
    EXPECT_EQ(DecryptField(field.substr(0, 15), seed), "");                 // no whole block
    // Non-hex characters and a wrong seed decipher to something else, never fail.
    EXPECT_NE(DecryptField("ZZ" + field.substr(2), seed), "password");
    EXPECT_NE(DecryptField(field, MakeFieldSeed(L"other")), "password");
}

}  // namespace
