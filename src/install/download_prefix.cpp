#include "install/download_prefix.h"

#include "app/path_ops.h"

std::wstring DownloadPrefix(const std::wstring& downloadPath) {
    std::wstring prefix = downloadPath + kPathSeparator;
#ifdef _WIN32
    for (auto& c : prefix)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
#endif
    return prefix;
}
