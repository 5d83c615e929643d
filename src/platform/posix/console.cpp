#include "platform/console.h"

#include <unistd.h>

#include <cstdio>

#include "platform/text_codec.h"

namespace platform {

void AttachParentConsole() {}

void WriteStdout(std::wstring_view text) {
    const std::string bytes = text::WideToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void WriteStderr(std::wstring_view text) {
    const std::string bytes = text::WideToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

}  // namespace platform
