#include "download/file_digest.h"

#include <vector>

#include "app/hex_digit.h"
#include "platform/crypto.h"
#include "platform/file.h"

bool FileSha256(const std::wstring& path, std::string& hex) {
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read))
        return false;
    platform::Sha256 hash;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const int64_t read = file.Read(buffer.data(), buffer.size());
        if (read < 0)
            return false;
        if (read == 0)
            break;
        hash.Update(buffer.data(), static_cast<size_t>(read));
    }
    uint8_t digest[platform::Sha256::kDigestSize];
    if (!hash.Finish(digest))
        return false;
    hex = LowerHex(digest, sizeof digest);
    return true;
}

bool NormalizeSha256(std::wstring_view text, std::string& hex) {
    if (text.size() != 2 * platform::Sha256::kDigestSize)
        return false;
    std::string lower;
    for (const wchar_t c : text) {
        const int value = HexDigitValue(c);
        if (value < 0)
            return false;
        lower += "0123456789abcdef"[value];
    }
    hex = lower;
    return true;
}
