// Whole-file helpers built on File, the same on every build.
#include "platform/file.h"

namespace platform {

bool ReadWholeFile(const std::wstring& path, std::string& out) {
    File file;
    if (!file.Open(path, File::Mode::Read))
        return false;
    out.clear();
    char buffer[65536];
    for (;;) {
        const int64_t n = file.Read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<size_t>(n));
    }
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
    File file;
    return file.Open(path, File::Mode::Write) && file.Write(data.data(), data.size());
}

}  // namespace platform
