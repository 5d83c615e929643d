#include "install/uninstall_registration.h"

#include <cwctype>

#include "app/path_ops.h"
#include "app/text_compare.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"
#include "platform/uninstall_registry.h"

namespace {

constexpr wchar_t kUninstaller[] = L"unins000.exe";

// A line break inside a service value would start a line of its own in install.ini and
// could forge keys or whole [Item] sections for the uninstaller: it becomes a blank.
std::wstring OneLine(std::wstring value) {
    for (auto& c : value)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    return value;
}

std::wstring UninstallerPath(const std::wstring& dir) {
    return dir + kPathSeparator + kUninstaller;
}

}  // namespace

std::wstring InstallRecordPath(const std::wstring& uninstallDir) {
    return uninstallDir + kPathSeparator + L"install.ini";
}

std::wstring UninstallDirectory(const std::wstring& setupDir, const InstallPlan& plan) {
    std::wstring dir = setupDir;
    for (const auto& entry : plan) {
        const std::wstring name = FieldOf(entry, L"filename");
        if (EqualsNoCase(name, L"unins000.rar") || EqualsNoCase(name, L"unins000.zip"))
            dir = JoinPath(setupDir, FieldOf(entry, L"rarpath"));
    }
    return dir;
}

std::string BuildInstallRecord(const ServiceRecord& company, const std::wstring& setupDir,
                               const InstallPlan& plan) {
    std::string out;
    const auto line = [&out](const std::wstring& text) {
        out += text::WideToSystem(OneLine(text));
        out += "\r\n";
    };
    line(L"[InstallInfo]");
    line(text::Format(L"DisplayName=%s", FieldOf(company, L"DisplayName")));
    line(text::Format(L"InstallDate=%s", FieldOf(company, L"InstallDate")));
    line(text::Format(L"Publisher=%s", FieldOf(company, L"Publisher")));
    line(text::Format(L"ItemCount=%d", static_cast<int>(plan.size())));
    line(L"");
    int number = 0;
    for (const auto& entry : plan) {
        const std::wstring fileName = FieldOf(entry, L"filename");
        // Setup programs are never deleted by the uninstaller.
        const std::wstring allowDelete = fileName.find(L".exe") != std::wstring::npos
                                             ? std::wstring(L"N")
                                             : FieldOf(entry, L"haveexistsdown");
        line(text::Format(L"[Item%d]", ++number));
        line(text::Format(L"FileName=%s", fileName));
        line(text::Format(L"Dir=%s", JoinPath(setupDir, FieldOf(entry, L"rarpath"))));
        line(text::Format(L"AllowDel=%s", allowDelete));
        line(L"");
    }
    return out;
}

void RegisterInstallation(InstallStepContext& step) {
    CInstallContext& context = step.context;
    const std::wstring setupDir = context.GetParam(L"SetupFullPath");
    const std::wstring uninstallDir = UninstallDirectory(setupDir, step.plan);
    context.SetParam(L"UninstallPath", uninstallDir);

    ServiceRecord company;
    std::wstring resultText;
    if (!context.CompanyName(company, resultText)) {
        context.Log(L"未取得卸载信息，不注册卸载：%s", resultText);
        return;
    }

    // An entry whose uninstaller is missing could never be removed from the list of
    // installed programs, and install.ini is only read by that uninstaller.
    const std::wstring uninstaller = UninstallerPath(uninstallDir);
    if (!platform::PathExists(uninstaller) || platform::IsDirectory(uninstaller)) {
        context.Log(L"卸载程序%s不存在，不注册卸载信息", uninstaller);
        return;
    }
    platform::UninstallEntry entry;
    entry.displayName = FieldOf(company, L"DisplayName");
    entry.installDate = FieldOf(company, L"InstallDate");
    entry.publisher = FieldOf(company, L"Publisher");
    entry.installLocation = setupDir;
    entry.uninstallString = text::Format(L"\"%s\"", uninstaller);
    entry.quietUninstallString = text::Format(L"\"%s\" /SILENT", uninstaller);
    const std::wstring keyName = entry.displayName + L"_is1";
    if (!platform::WriteUninstallEntry(keyName, entry))
        context.Log(L"注册卸载信息失败：%s", platform::UninstallEntryLocation(keyName));

    const std::wstring recordPath = InstallRecordPath(uninstallDir);
    if (!platform::WriteWholeFile(recordPath, BuildInstallRecord(company, setupDir, step.plan)))
        context.Log(L"写入文件失败：%s", recordPath);
}
