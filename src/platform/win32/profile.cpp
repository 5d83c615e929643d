#include "platform/profile.h"

#include <windows.h>

#include "platform/text_codec.h"

namespace platform {

std::wstring ReadProfileValue(const std::wstring& file, const std::wstring& section,
                              const std::wstring& key) {
    char buffer[260] = {};
    GetPrivateProfileStringA(text::WideToSystem(section).c_str(), text::WideToSystem(key).c_str(),
                             "", buffer, sizeof buffer, text::WideToSystem(file).c_str());
    return text::SystemToWide(buffer);
}

bool WriteProfileValue(const std::wstring& file, const std::wstring& section,
                       const std::wstring& key, const std::wstring& value) {
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           FALSE;
}

}  // namespace platform
