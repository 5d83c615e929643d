#include "install/runtime_config_patcher.h"

#include <string_view>

#include "app/path_ops.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/text_codec.h"

namespace {

constexpr std::string_view kStartup = "<startup>";
constexpr std::string_view kStartupLegacy = "<startup useLegacyV2RuntimeActivationPolicy=\"true\">";
constexpr std::string_view kRuntime20 = "<supportedRuntime version=\"v2.0.50727\"/>";
constexpr std::string_view kRuntime40 = "<supportedRuntime version=\"v4.0\"/>";

// Replaces every exact occurrence, left to right, without overlaps. The search steps
// over double-byte characters of the system code page so that it never matches on a
// trail byte.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
            continue;
        }
        const bool doubleByte =
            text::IsSystemLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        out.append(text, i, doubleByte ? 2 : 1);
        i += doubleByte ? 2 : 1;
    }
    return out;
}

}  // namespace

bool PatchConfigFile(const std::wstring& path, InstallStepContext& step) {
    const RuntimeChoice choice = step.journal.ChosenRuntime();
    if (choice == RuntimeChoice::Default)
        return true;
    step.journal.Log(text::Format(L"修改文件：%s", path));

    std::string content;
    if (!platform::ReadWholeFile(path, content)) {
        step.journal.Log(L"打开文件失败");
        return false;
    }
    // A zero byte means a wide encoding (UTF-16) that byte replacements would damage.
    if (content.find('\0') != std::string::npos) {
        step.journal.Log(L"文件不是单字节文本，未修改");
        return false;
    }

    std::string patched;
    if (choice == RuntimeChoice::Net40)
        patched = ReplaceAll(ReplaceAll(content, kStartup, kStartupLegacy), kRuntime20, kRuntime40);
    else
        patched = ReplaceAll(ReplaceAll(content, kStartupLegacy, kStartup), kRuntime40, kRuntime20);

    if (patched != content) {
        // Written beside the file under a new name and moved over it: a failed write keeps
        // the original, and no file already there is touched.
        platform::File out;
        std::wstring temporary;
        const bool created = platform::CreateUniqueFile(path, L".tmp", out, temporary);
        const bool written = created && out.Write(patched.data(), patched.size());
        out.Close();
        if (!written || !platform::MoveFileOver(temporary, path)) {
            if (created)
                platform::RemoveFile(temporary);
            step.journal.Log(L"打开文件失败");
            return false;
        }
    }
    step.journal.Log(L"修改文件成功");
    return true;
}

void PatchRuntimeConfigs(InstallStepContext& step) {
    const std::wstring setupDir = step.context.GetParam(L"SetupFullPath");
    // Both the installed name.ini and the service's answer name files to rewrite; neither
    // may name one outside the install directory.
    const auto patchBelowSetupDir = [&](const std::wstring& dir, const std::wstring& exe) {
        if (!IsConfinedServicePath(dir) || !IsConfinedServicePath(exe)) {
            step.context.Log(L"拒绝修改文件：路径“%s”超出安装目录", JoinPath(dir, exe));
            return;
        }
        PatchConfigFile(JoinPath(JoinPath(setupDir, dir), exe) + L".config", step);
    };
    patchBelowSetupDir(
        L"", platform::ReadProfileValue(JoinPath(setupDir, L"config\\name.ini"), L"Name", L"exe"));

    ServiceRecordList programs;
    std::wstring resultText;
    if (!step.context.AppExe(programs, resultText))
        return;
    for (const auto& program : programs)
        patchBelowSetupDir(FieldOf(program, L"path"), FieldOf(program, L"exename"));
}
