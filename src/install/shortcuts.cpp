#include "install/shortcuts.h"

#include "app/path_ops.h"
#include "install/uninstall_registration.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/shell_folders.h"
#include "platform/shell_link.h"

namespace {

struct LinkPlace {
    platform::SpecialFolder folder;
    const wchar_t* tipFormat;
};

// False for a type that names no known folder.
bool PlaceOfType(const std::wstring& type, LinkPlace& place) {
    if (type == L"desktop") {
        place = {platform::SpecialFolder::Desktop, L"创建图标：“%s”\t在桌面上\n"};
        return true;
    }
    if (type == L"menu") {
        place = {platform::SpecialFolder::StartMenuPrograms, L"创建图标：“%s”\t在开始菜单\n"};
        return true;
    }
    return false;
}

std::wstring LinkPath(const std::wstring& folder, const std::wstring& linkFileName) {
    return folder + kPathSeparator + linkFileName;
}

}  // namespace

bool CreateShortcut(const std::wstring& folder, const std::wstring& iconPath,
                    const std::wstring& targetPath, const std::wstring& workingDirectory,
                    const std::wstring& linkFileName) {
    if (folder.empty())
        return false;
    platform::ShellLinkProperties properties;
    properties.target = targetPath;
    properties.workingDirectory = workingDirectory;
    properties.iconPath = iconPath;
    properties.iconIndex = 0;
    return platform::SaveShellLink(LinkPath(folder, linkFileName), properties);
}

void CreateShortcuts(CInstallContext& context, std::wstring& tipText) {
    ServiceRecordList records;
    std::wstring resultText;
    if (!context.CreateIcon(records, resultText))
        return;

    const std::wstring setupDir = context.GetParam(L"SetupFullPath");
    const std::wstring recordPath = InstallRecordPath(context.GetParam(L"UninstallPath"));
    platform::ShellLinkScope scope;
    int number = 0;
    for (const auto& record : records) {
        const std::wstring type = FieldOf(record, L"type");
        const std::wstring name = FieldOf(record, L"name");
        LinkPlace place;
        if (!PlaceOfType(type, place)) {
            // Without a folder the link would land in the root of the current drive.
            context.Log(L"图标类型“%s”未知，不创建图标“%s”", type, name);
            continue;
        }
        const std::wstring icon = FieldOf(record, L"icon");
        const std::wstring exeName = FieldOf(record, L"exename");
        // A name with "..\" would put the link elsewhere (an autostart folder, say), a
        // target outside the install directory would start a program that is not ours.
        const std::wstring* unconfined = !IsConfinedServicePath(name)      ? &name
                                         : !IsConfinedServicePath(icon)    ? &icon
                                         : !IsConfinedServicePath(exeName) ? &exeName
                                                                           : nullptr;
        if (unconfined != nullptr) {
            context.Log(L"拒绝图标“%s”：路径“%s”超出目录", name, *unconfined);
            continue;
        }
        // A link to nothing (a package that failed) would be a false trace.
        const std::wstring target = JoinPath(setupDir, exeName);
        if (!platform::PathExists(target) || platform::IsDirectory(target)) {
            context.Log(L"图标“%s”的目标%s不存在，不创建图标", name, target);
            continue;
        }
        std::wstring folder;
        if (!platform::GetSpecialFolderPath(place.folder, folder, true) || folder.empty()) {
            context.Log(L"找不到图标目录，不创建图标“%s”", name);
            continue;
        }
        tipText += text::Format(place.tipFormat, name);

        const std::wstring linkFileName = name + L".lnk";
        if (!CreateShortcut(folder, JoinPath(setupDir, icon), target, setupDir, linkFileName))
            context.Log(L"创建图标失败：%s", LinkPath(folder, linkFileName));

        // Recorded even when the save failed: the uninstaller removes what exists.
        if (!platform::WriteProfileValue(recordPath, L"InstallInfo",
                                         text::Format(L"Link%d", ++number),
                                         LinkPath(folder, linkFileName)))
            context.Log(L"写入文件失败：%s", recordPath);
    }
}
