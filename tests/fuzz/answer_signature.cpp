// The signed-answer inputs that come from outside: the signature header of any answer
// (over plain HTTP, from anyone on the path) and the PEM text of the built-in keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "service/answer_signature.h"
#include "service/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string keyId;
    std::array<uint8_t, 64> signature;
    if (ParseSignatureHeader(text, keyId, signature)) {
        // Only the exact form passes, and it reads back as the same text.
        FUZZ_CHECK(keyId.size() == 16);
        FUZZ_CHECK(keyId + " " +
                       EncodeBase64(std::string_view(
                           reinterpret_cast<const char*>(signature.data()), signature.size())) ==
                   text);
    }

    std::string bytes;
    if (DecodeBase64(text, bytes))
        FUZZ_CHECK(EncodeBase64(bytes) == text);  // canonical text only

    std::vector<AnswerKey> keys;
    std::string error;
    if (ParseAnswerKeys(text, keys, error)) {
        for (const auto& key : keys)
            FUZZ_CHECK(key.point[0] == 0x04 && key.id.size() == 16);
    } else {
        FUZZ_CHECK(!error.empty());
    }

    // A forged answer with any header never passes without keys, nor with a made-up key.
    AnswerKey made;
    made.point[0] = 0x04;
    made.id = keyId;
    const AnswerCheck check =
        CheckAnswer({made}, "nonce", "/inst/?x", text, {std::string(text)}, keyId);
    FUZZ_CHECK(check != AnswerCheck::Valid);
    return 0;
}
