// The command-line words: ";"-separated key=value words, the text as the shell hands it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/install_context.h"
#include "app/startup_params.h"
#include "fuzz_check.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring tail =
        text::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
    CInstallContext context({}, L"");
    ReadCommandLineParams(context, tail);
    // A command-line start always leaves the version key, and no value holds a separator.
    const ServiceRecord params = context.Params();
    FUZZ_CHECK(params.count(L"--ver") == 1);
    for (const auto& [key, value] : params)
        FUZZ_CHECK(key.find(L';') == std::wstring::npos && value.find(L';') == std::wstring::npos);
    return 0;
}
