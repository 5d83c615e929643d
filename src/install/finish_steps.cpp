#include "install/finish_steps.h"

#include "app/path_ops.h"
#include "download/partial_download.h"
#include "install/shortcuts.h"
#include "platform/file_system.h"
#include "platform/profile.h"

namespace {

// config\Name.ini tells the installed application who installed which version.
void WriteNameFile(CInstallContext& context) {
    const std::wstring configDir = JoinPath(context.GetParam(L"SetupFullPath"), L"config");
    if (!EnsureDirectory(configDir + kPathSeparator)) {
        context.Log(L"创建目录失败：%s", configDir);
        return;
    }
    const std::wstring file = JoinPath(configDir, L"Name.ini");
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"username", context.GetParam(L"comname")},
        {L"appid", context.GetParam(L"appid")},
        {L"ver", context.config[L"ver"]},
        {L"title", context.config[L"title"]},
    };
    for (const auto& [key, value] : values) {
        if (!platform::WriteProfileValue(file, L"Name", key, value)) {
            context.Log(L"写入文件失败：%s", file);
            return;
        }
    }
}

}  // namespace

FinishTexts RunFinishSteps(CInstallContext& context, const std::vector<std::wstring>& failedFiles) {
    FinishTexts texts;
    texts.body = failedFiles.empty() ? L"安装完成" : L"安装未完成";
    for (const auto& file : failedFiles)
        texts.tip += text::Format(L"下载失败：%s\n", file);
    CreateShortcuts(context, texts.tip);
    texts.tip += L"\n请双击打开";

    // Only a complete installation is reported as done.
    if (failedFiles.empty()) {
        ServiceRecord answer;
        std::wstring resultText;
        if (!context.SetupOk(answer, resultText))
            context.Log(L"setupok 失败：%s", resultText);
    }
    WriteNameFile(context);
    return texts;
}

int DeleteDownloadedPackages(const std::vector<std::wstring>& packagePaths, bool deleteRequested) {
    if (!deleteRequested)
        return 0;
    int deleted = 0;
    for (const auto& path : packagePaths) {
        if (path.empty())
            continue;
        PartialDownload::Remove(path);
        if (!platform::IsDirectory(path) && platform::RemoveFile(path))
            ++deleted;
    }
    return deleted;
}
