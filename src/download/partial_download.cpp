#include "download/partial_download.h"

#include "platform/file_system.h"

namespace {

std::wstring TemporaryPath(const std::wstring& recordPath) {
    return recordPath + L".tmp";
}

}  // namespace

void PartialDownload::Remove(const std::wstring& target) {
    const std::wstring record = RecordPath(target);
    // A partial file without a record is someone else's. The file goes first: a record left
    // alone by a crash is discarded by the next run.
    if (!platform::PathExists(record))
        return;
    for (const std::wstring& path : {PartPath(target), TemporaryPath(record), record})
        if (platform::PathExists(path))
            platform::RemoveFile(path);
}

bool PartialDownload::Open(const std::wstring& target, const ResumeRecord& wanted,
                           int64_t blockSize, std::wstring& discarded) {
    discarded.clear();
    partPath_ = PartPath(target);
    recordPath_ = RecordPath(target);
    if (platform::PathExists(recordPath_)) {
        if (OpenSaved(wanted, blockSize, discarded))
            return true;
        file_.Close();
        Remove(target);
    }
    record_ = wanted;
    record_.done.assign(static_cast<size_t>((wanted.size + blockSize - 1) / blockSize), false);
    if (platform::PathExists(partPath_)) {
        // Someone else's file: only a file of this run's own may be removed later.
        recordPath_.clear();
        partPath_.clear();
        std::wstring own;
        if (!platform::CreateUniqueFile(target, L".part", file_, own))
            return false;
        partPath_ = own;
        return file_.Truncate(wanted.size);
    }
    // The record before the file, so that a partial file without one is never ours.
    return SaveRecord(record_) && file_.Open(partPath_, platform::File::Mode::Write) &&
           file_.Truncate(wanted.size);
}

bool PartialDownload::OpenSaved(const ResumeRecord& wanted, int64_t blockSize,
                                std::wstring& reason) {
    std::string text;
    ResumeRecord saved;
    if (!platform::ReadWholeFile(recordPath_, text) || !ParseResumeRecord(text, blockSize, saved)) {
        reason = L"下载记录不完整或已损坏";
        return false;
    }
    reason = ResumeMismatch(saved, wanted);
    if (!reason.empty())
        return false;
    if (!file_.Open(partPath_, platform::File::Mode::ReadWrite) || file_.Size() != wanted.size) {
        reason = L"未完成的文件与下载记录不符";
        return false;
    }
    record_ = wanted;
    record_.done = saved.done;
    return true;
}

bool PartialDownload::WriteAt(int64_t offset, const void* data, size_t size) {
    return file_.WriteAt(offset, data, size);
}

void PartialDownload::MarkDone(int64_t index) {
    uint64_t mine;
    {
        std::lock_guard<std::mutex> guard(bitsLock_);
        record_.done[static_cast<size_t>(index)] = true;
        mine = ++generation_;
    }
    if (recordPath_.empty())
        return;
    std::lock_guard<std::mutex> guard(saveLock_);
    // Another thread's write may already have carried this block.
    if (saved_ >= mine)
        return;
    ResumeRecord snapshot;
    uint64_t generation;
    {
        std::lock_guard<std::mutex> bits(bitsLock_);
        snapshot = record_;
        generation = generation_;
    }
    // The blocks must be on the disk before a record that lists them.
    if (file_.Flush() && SaveRecord(snapshot))
        saved_ = generation;
}

bool PartialDownload::SaveRecord(const ResumeRecord& record) {
    const std::wstring temporary = TemporaryPath(recordPath_);
    platform::File file;
    const std::string text = FormatResumeRecord(record);
    const bool written = file.Open(temporary, platform::File::Mode::Write) &&
                         file.Write(text.data(), text.size()) && file.Flush();
    file.Close();
    // A rename replaces the old record in one step: a crash leaves the old or the new one.
    return written && platform::MoveFileOver(temporary, recordPath_);
}

void PartialDownload::Close() {
    file_.Close();
}

bool PartialDownload::Commit(const std::wstring& target) {
    file_.Close();
    if (!platform::MoveFileOver(partPath_, target))
        return false;
    if (!recordPath_.empty())
        platform::RemoveFile(recordPath_);
    return true;
}

void PartialDownload::Discard() {
    file_.Close();
    for (const std::wstring* path : {&recordPath_, &partPath_})
        if (!path->empty())
            platform::RemoveFile(*path);
}
