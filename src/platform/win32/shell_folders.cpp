#include "platform/shell_folders.h"

#include <windows.h>
// windows.h first: the shell header needs its types.
#include <shlobj.h>

namespace platform {

bool GetSpecialFolderPath(SpecialFolder folder, std::wstring& path, bool create) {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, static_cast<int>(folder),
                                 create ? TRUE : FALSE)) {
        path.clear();
        return false;
    }
    path = buffer;
    return true;
}

}  // namespace platform
