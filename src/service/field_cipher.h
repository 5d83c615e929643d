#pragma once
// The field cipher of the install service: the answer fields "rarpass" (needdown) and
// "Password" (getftp) travel as hexadecimal DES cipher text under a key derived from a
// seed that client and service both compute from values they know.
//
//   seed       = first 8 digits of Md5Hex(material)          (MakeFieldSeed)
//   field key  = HexToSymbols(Md5Hex(DesEncryptHex(KeyPrefix + seed, FixedDesKey)))[0..8)
//   field      = DesEncryptHex(UTF-8 plain text, field key)  (EncryptField, service side)
//
// "ANSI" below is the system code page (text::WideToSystem): the Windows ANSI code page,
// UTF-8 on Linux. Every function is thread-safe: the DES key schedule is local to a call.
#include <string>
#include <string_view>

#include "field_cipher_texts.h"

// DES in ECB mode. Keys shorter than 8 bytes are padded with zero bytes, longer keys are
// cut to 8. The plain text is padded with zero bytes to whole blocks (none are added to
// a multiple of 8); the result is upper-case hexadecimal, two digits per byte.
std::string DesEncryptHex(std::string_view plain, std::string_view key);

// Reads the text two characters at a time (a last single character is ignored; a pair
// that does not start with a hexadecimal digit after blanks reads as 0, either case is
// accepted), deciphers every whole 8-byte block (a last partial block is ignored) and
// removes zero bytes from the end.
std::string DesDecryptHex(std::string_view hex, std::string_view key);

// The MD5 digest of the UTF-8 form of an ANSI text as upper-case hexadecimal, cut to at
// most maxLength - 1 digits (maxLength 33 gives all 32; 0 and 1 give the empty text).
std::string Md5Hex(std::string_view ansiText, size_t maxLength);

// 128 bits given as 32 hexadecimal digits -> 22 symbols of the symbol table: 21 groups
// of 6 bits from the left and a last group of 2 bits. Characters that are not
// hexadecimal digits count as 0; missing digits too.
std::string HexToSymbols(std::string_view hexDigits);

// 8 upper-case hexadecimal digits from the seed material (wide text, taken through ANSI).
std::string MakeFieldSeed(std::wstring_view material);

// The 8-character DES key of the fields enciphered under `seed`.
std::string DeriveFieldKey(std::string_view seed);

// Deciphers a field: DesDecryptHex under the derived key, cut at the first zero byte,
// UTF-8 converted to ANSI. A wrong key or damaged text cannot be detected and yields
// whatever the bytes decode to (invalid UTF-8 becomes replacement characters).
std::string DecryptField(std::string_view enciphered, std::string_view seed);

// The inverse for the service side: plain UTF-8 text -> hexadecimal field.
std::string EncryptField(std::string_view plainUtf8, std::string_view seed);

// Seed materials of the two enciphered fields (joined without separator).
// "rarpass" of a needdown record: the record's comname and id.
std::wstring NeedDownSeedMaterial(std::wstring_view comname, std::wstring_view id);
// "Password" of a getftp answer: the request's comname, appid and serverno.
std::wstring GetFtpSeedMaterial(std::wstring_view comname, std::wstring_view appid,
                                std::wstring_view serverNo);
