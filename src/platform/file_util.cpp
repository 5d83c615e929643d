// Whole-file helpers built on File, the same on every build.
#include "platform/file.h"

#include <functional>
#include <random>
#include <thread>

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

bool CreateUniqueFile(const std::wstring& base, const std::wstring& suffix, File& file,
                      std::wstring& path) {
    static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator(
        std::random_device{}() ^
        static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id())));
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::wstring name = base + L".";
        for (int i = 0; i < 8; ++i)
            name += kLetters[generator() % (sizeof kLetters / sizeof kLetters[0] - 1)];
        name += suffix;
        if (file.Open(name, File::Mode::CreateNew)) {
            path = std::move(name);
            return true;
        }
    }
    return false;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
    File file;
    return file.Open(path, File::Mode::Write) && file.Write(data.data(), data.size());
}

}  // namespace platform
