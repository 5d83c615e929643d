#include "ui/path_page_logic.h"

#include <cstdint>
#include <cwctype>

#include "app/path_ops.h"
#include "platform/disk_space.h"

namespace {

constexpr int64_t kMebibyte = 1048576;

// Both checks of one directory: its volume exists and has room for the installation.
bool CheckVolume(const std::wstring& directory, int64_t needed, const wchar_t* missingMessage,
                 DirectoryCheckResult& result) {
    std::wstring root;
    if (!platform::GetVolumeRoot(directory, root)) {
        result.message = missingMessage;
        return false;
    }
    uint64_t freeBytes = 0;
    // A volume that cannot report its free space is treated as too small.
    const bool known = platform::GetFreeDiskBytes(root, freeBytes);
    if (!known || needed < 0 || freeBytes < static_cast<uint64_t>(needed)) {
        result.message = L"所选安装目录所在盘的空间不足";
        return false;
    }
    return true;
}

}  // namespace

std::wstring TrimTrailingSeparators(std::wstring path) {
#ifdef _WIN32
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
#else
    while (path.size() > 1 && IsPathSeparator(path.back()))
        path.pop_back();
#endif
    return path;
}

std::wstring ProposeInstallDirectory(CInstallContext& context, const std::wstring& programsFolder) {
    std::wstring& setupPath = context.config[L"setuppath"];
    if (setupPath.empty())
        setupPath = L"C:\\Vornel";
#ifdef _WIN32
    if (setupPath.find(L":\\") != std::wstring::npos) {
        if (!PathExists(setupPath.substr(0, 3)))
            setupPath.replace(0, 3, L"c:\\");
        return setupPath;
    }
    return programsFolder + L"\\" + setupPath + L"\\";
#else
    // A Windows drive has no meaning here: the part after it goes below the programs folder.
    std::wstring relative = setupPath;
    const size_t drive = relative.find(L":\\");
    if (drive != std::wstring::npos)
        relative = relative.substr(drive + 2);
    return JoinPath(programsFolder, relative) + kPathSeparator;
#endif
}

int64_t NeededBytes(const std::wstring& needsize) {
    // Read like atoi: optional blanks and sign, then the leading digits.
    size_t i = 0;
    while (i < needsize.size() && std::iswspace(needsize[i]))
        ++i;
    bool negative = false;
    if (i < needsize.size() && (needsize[i] == L'-' || needsize[i] == L'+'))
        negative = needsize[i++] == L'-';
    int64_t mebibytes = 0;
    for (; i < needsize.size() && needsize[i] >= L'0' && needsize[i] <= L'9'; ++i) {
        if (mebibytes > (INT64_MAX / kMebibyte) / 10)
            break;  // absurd sizes stop growing
        mebibytes = mebibytes * 10 + (needsize[i] - L'0');
    }
    if (negative)
        mebibytes = -mebibytes;
    if (mebibytes == 0)
        mebibytes = 10;
    return mebibytes * kMebibyte;
}

DirectoryCheckResult CheckDirectories(CInstallContext& context, const std::wstring& installText,
                                      const std::wstring& downloadText) {
    DirectoryCheckResult result;
    result.installDirectory = installText;
    result.downloadDirectory = downloadText;
    const int64_t needed = NeededBytes(context.config[L"needsize"]);

    if (!CheckVolume(installText, needed, L"所选安装目录的盘符不存在", result))
        return result;
    result.installDirectory = TrimTrailingSeparators(installText);
    context.SetParam(L"SetupFullPath", result.installDirectory);

    if (!CheckVolume(downloadText, needed, L"所选下载目录的盘符不存在", result))
        return result;
    result.downloadDirectory = TrimTrailingSeparators(downloadText);
    context.SetParam(L"DownloadPath", result.downloadDirectory);
    result.ok = true;
    return result;
}
