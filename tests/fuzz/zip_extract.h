#pragma once
// Extracts a fuzzed archive with the installer's own extraction step into a scratch
// directory and checks that nothing lands outside the destination.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "fuzz_check.h"
#include "install/extract_packages.h"
#include "platform/text_codec.h"

namespace fuzz {

// One scratch directory per process below $TMPDIR, removed when the run ends.
inline const std::filesystem::path& ScratchDirectory() {
    static const std::filesystem::path scratch = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zip-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchDirectory(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return scratch;
}

inline void ExtractFuzzedArchive(const uint8_t* data, size_t size, const std::string& password) {
    const std::filesystem::path& scratch = ScratchDirectory();
    const std::filesystem::path archive = scratch / "archive.zip";
    const std::filesystem::path destination = scratch / "out";
    {
        std::ofstream file(archive, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(file.good());
    }
    std::filesystem::create_directory(destination);

    ExtractOptions options;
    options.log = [](const std::wstring&) {};
    ExtractArchive(text::SystemToWide(archive.string()), text::SystemToWide(destination.string()),
                   text::SystemToWide(password), options);

    // Only the archive and the destination may be there afterwards.
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        FUZZ_CHECK(entry.path() == archive || entry.path() == destination);
    std::filesystem::remove_all(destination);
}

}  // namespace fuzz
