#include "platform/module_info.h"

#include <windows.h>

namespace platform {

std::wstring GetModuleFilePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool ReadVersionInfoBlock(const std::wstring& path, std::vector<uint8_t>& block) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<uint8_t> bytes(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, bytes.data()))
        return false;
    block.swap(bytes);
    return true;
}

std::string ReadBuiltInAnswerKeys() {
    HRSRC found = FindResourceW(nullptr, L"ANSWERKEYS", RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return std::string();
    return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, found));
}

}  // namespace platform
