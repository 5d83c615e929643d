#include "platform/module_info.h"

#include <unistd.h>

#include <climits>

#include "platform/text_codec.h"

// The installer's version block, built from its resource script (see version_block.cpp).
extern const unsigned char kInstallerVersionInfo[];
extern const unsigned kInstallerVersionInfoSize;
// The signing keys' PEM text, in an object of the executable's own when it was built with
// keys; weak, so that programs without it (the tests) link and have none.
extern const char kInstallerAnswerKeys[] __attribute__((weak));

namespace platform {

std::wstring GetModuleFilePath() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0)
        return {};
    buffer.resize(static_cast<size_t>(n));
    return text::SystemToWide(buffer);
}

bool ReadVersionInfoBlock(const std::wstring& path, std::vector<uint8_t>& block) {
    if (path.empty() || path != GetModuleFilePath() || kInstallerVersionInfoSize == 0)
        return false;
    block.assign(kInstallerVersionInfo, kInstallerVersionInfo + kInstallerVersionInfoSize);
    return true;
}

std::string ReadBuiltInAnswerKeys() {
    return kInstallerAnswerKeys != nullptr ? std::string(kInstallerAnswerKeys) : std::string();
}

}  // namespace platform
