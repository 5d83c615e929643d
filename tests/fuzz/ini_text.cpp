// The INI text of profile files and the uninstall entries. Input: a section name and a
// key (a byte each picks them), a value up to the first NUL, then the file content.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/posix/ini_text.h"

namespace {

std::string Name(uint8_t pick) {
    static const char* const kNames[] = {"Setup", "setup", "Uninstall", "Link1", "a", "x.y_z"};
    return kNames[pick % (sizeof kNames / sizeof kNames[0])];
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = Name(input.ConsumeIntegral<uint8_t>());
    const std::string key = Name(input.ConsumeIntegral<uint8_t>());
    std::string value = input.ConsumeRandomLengthString(64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    namespace ini = platform::ini;
    ini::Document document = ini::Parse(content);
    // A file that is only read is written back byte for byte.
    FUZZ_CHECK(ini::Serialize(document) == content);
    std::string found;
    ini::Find(document, section, key, found, true);

    // A value that was set is read back, also from the file as written, and no line break
    // in it forges another key.
    ini::Set(document, section, key, value);
    const std::string expected = Trimmed(ini::SingleLine(value));
    FUZZ_CHECK(ini::Find(document, section, key, found, false) && found == expected);
    const ini::Document reread = ini::Parse(ini::Serialize(document));
    FUZZ_CHECK(ini::Find(reread, section, key, found, false) && found == expected);
    return 0;
}
