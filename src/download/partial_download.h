#pragma once
// The partial file of one package in the download directory ("name.part") and the record
// beside it ("name.resume") of which blocks it holds. A later run continues it when the
// record still describes the same file; a crash at any moment leaves a record that lists
// only blocks already on the disk.
#include <cstdint>
#include <mutex>
#include <string>

#include "download/resume_record.h"
#include "platform/file.h"

class PartialDownload {
  public:
    static std::wstring PartPath(const std::wstring& target) { return target + L".part"; }
    static std::wstring RecordPath(const std::wstring& target) { return target + L".resume"; }
    // Removes the partial file and the record of `target`, if there is a record.
    static void Remove(const std::wstring& target);

    // Opens the partial file for `wanted` (its done bits are ignored): the saved one when its
    // record matches, otherwise a new one of the full size. When a saved one had to be
    // discarded, `discarded` says why. A file under the partial name without a record is
    // someone else's: it is left alone, and this run's blocks go to a file of their own
    // that cannot be continued. False when no partial file can be made.
    bool Open(const std::wstring& target, const ResumeRecord& wanted, int64_t blockSize,
              std::wstring& discarded);

    // Safe from several threads.
    bool WriteAt(int64_t offset, const void* data, size_t size);
    // Records block `index` as complete, after the bytes written so far reached the disk.
    void MarkDone(int64_t index);

    const ResumeRecord& record() const { return record_; }
    const std::wstring& partPath() const { return partPath_; }
    // False when this run's blocks go to a file of their own (see Open).
    bool Resumable() const { return !recordPath_.empty(); }
    void Close();
    // Makes the complete partial file the target, and drops the record.
    bool Commit(const std::wstring& target);
    // Drops the partial file and its record: its content proved wrong.
    void Discard();

  private:
    bool OpenSaved(const ResumeRecord& wanted, int64_t blockSize, std::wstring& reason);
    bool SaveRecord(const ResumeRecord& record);

    platform::File file_;
    std::wstring partPath_;
    std::wstring recordPath_;  // empty when this run cannot be continued
    std::mutex bitsLock_;      // guards record_.done and generation_
    std::mutex saveLock_;      // one record write at a time
    ResumeRecord record_;
    uint64_t generation_ = 0;  // changes of record_.done
    uint64_t saved_ = 0;       // the generation last on the disk
};
