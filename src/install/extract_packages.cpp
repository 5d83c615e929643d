#include "install/extract_packages.h"

#include "app/path_ops.h"
#include "install/download_prefix.h"
#include "install/protected_files.h"
#include "install/zip_reader.h"
#include "platform/text_codec.h"

bool ExtractArchive(const std::wstring& archivePath, const std::wstring& destination,
                    const std::wstring& password, const ExtractOptions& options) {
    auto log = [&](const std::wstring& line) {
        if (options.log)
            options.log(line);
    };
    if (destination.empty() || archivePath.empty())
        return false;
    if (!PathExists(archivePath)) {
        log(text::Format(L"Extract\t%s: archive not found", archivePath));
        return false;
    }
    CZipReader reader;
    const ZipResult opened = reader.Open(archivePath, text::WideToSystem(password));
    if (opened != ZipResult::Ok) {
        log(text::Format(L"Extract\t%s: %s", archivePath, ZipResultText(opened)));
        return false;
    }
    if (reader.SetBaseDir(destination) != ZipResult::Ok)
        return false;
    if (options.heldFiles != nullptr) {
        const CProtectedFiles* held = options.heldFiles;
        reader.SetHeldFileCheck([held](const std::wstring& path) { return held->IsHeld(path); });
    }
    ZipEntryInfo count;
    if (reader.GetEntry(-1, count) != ZipResult::Ok)
        return false;
    bool allExtracted = true;
    for (int32_t index = 0; index < count.index; ++index) {
        ZipEntryInfo entry;
        ZipResult result = reader.GetEntry(index, entry);
        // Entries are reached one after another through the directory: past a broken
        // record every later one fails the same way, however many the archive claims.
        const bool directoryBroken = result == ZipResult::CorruptArchive;
        if (result == ZipResult::Ok)
            result = reader.ExtractEntry(index, entry.name);
        if (result != ZipResult::Ok) {
            // A protected file is kept on purpose; anything else is a failed install.
            if (result != ZipResult::HeldFile)
                allExtracted = false;
            log(text::Format(L"Extract\t%s: entry %d \"%s\" (%s): %s", archivePath, index,
                             entry.name, reader.LastTarget(), ZipResultText(result)));
            if (directoryBroken)
                break;
        }
    }
    reader.Close();
    return allExtracted;
}

std::vector<std::wstring> ExtractPackages(InstallStepContext& step,
                                          const CProtectedFiles& heldFiles) {
    std::vector<std::wstring> failed;
    const std::wstring prefix = DownloadPrefix(step.context.GetParam(L"DownloadPath"));
    const std::wstring setupPath = step.context.GetParam(L"SetupFullPath");
    ExtractOptions options;
    options.heldFiles = &heldFiles;
    options.log = [&step](const std::wstring& line) { step.context.LogText(line); };

    const InstallPlan plan = step.plan;
    for (const auto& entry : plan) {
        const std::wstring fileName = FieldOf(entry, L"filename");
        if (fileName.find(L".rar") == std::wstring::npos &&
            fileName.find(L".zip") == std::wstring::npos)
            continue;
        const std::wstring archivePath = prefix + fileName;
        const std::wstring destination = JoinPath(setupPath, FieldOf(entry, L"rarpath"));
        step.journal.Log(text::Format(L"正在解压文件:%s...", archivePath));
        step.journal.Log(L"请稍候");
        EnsureDirectory(destination);
        EnsureDirectory(JoinPath(setupPath, L"config") + kPathSeparator);
        step.journal.BeginStep(InstallStep::Extraction, archivePath);
        if (!ExtractArchive(archivePath, destination, FieldOf(entry, L"rarpassword"), options))
            failed.push_back(fileName);
        step.journal.EndStep(InstallStep::Extraction, archivePath);
        step.journal.Log(text::Format(L"文件解压完成，安装目录%s ", destination));
    }
    return failed;
}
