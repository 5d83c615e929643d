#include "platform/command_line.h"

#include "platform/file.h"
#include "platform/text_codec.h"

namespace platform {

// Linux hands the arguments over as separate words; they are joined by blanks to
// give the same single tail that Windows programs receive.
std::wstring GetCommandTail() {
    std::string raw;
    if (!ReadWholeFile(L"/proc/self/cmdline", raw))
        return {};
    std::string tail;
    size_t start = raw.find('\0');
    while (start != std::string::npos && start + 1 < raw.size()) {
        const size_t end = raw.find('\0', start + 1);
        if (!tail.empty())
            tail += ' ';
        tail +=
            raw.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        start = end;
    }
    return text::SystemToWide(tail);
}

}  // namespace platform
