#pragma once
// One package file fetched in 128 KiB blocks by ten threads from every accepted mirror.
// Finished blocks go to their place in the package's partial file beside the target, which
// becomes the target in one step when every block is in; memory use does not grow with
// the file. A run that ends early leaves the partial file and its record for the next run.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "download/mirror_pace.h"
#include "download/resume_record.h"

struct DownloadBlock {
    size_t mirror = 0;  // index of the mirror the block is (next) fetched from
    int64_t start = 0;  // number of the block's first byte, counting from 1
    int64_t end = 0;    // number of its last byte, inclusive
    int failures = 0;   // failed fetches of this block so far

    int64_t Length() const { return end - start + 1; }
};

// When a run gives up. A mirror set that cannot deliver must never keep the installer
// waiting without end.
struct DownloadLimits {
    int maxBlockFailures = 8;  // failed fetches of one block, per accepted mirror
    int maxIdleSeconds = 60;   // time without any block completing
    long blockTimeoutMs = 0;   // per-fetch time-out; 0: scaled with the block length
};

class CDownloadManager;
class ProxyRouter;

class CDownloadTask {
  public:
    // The task logs through its manager and transfers through the router; both outlive it.
    CDownloadTask(CDownloadManager& manager, ProxyRouter& router)
        : manager_(&manager), router_(&router) {}

    static constexpr int64_t kBlockSize = 131072;
    static constexpr int kThreadCount = 10;
    static constexpr int64_t kMaxReceiveBytesPerSecond = 102400;

    // Downloads from the accepted mirrors into targetPath. False when there is no mirror,
    // when the blocks cannot all be fetched within the limits, or when the file cannot be
    // written; then no file is left under targetPath nor beside it.
    bool Run();

    // Takes a progress snapshot: bytes of completed blocks.
    int64_t GetDoneBytes();
    // The total of the snapshot before the latest one.
    int64_t GetPreviousDoneBytes() const;

    std::string name;        // package file name; empty until the task is set up
    std::string targetPath;  // download directory + file name
    int64_t size = 0;        // fixed by the first accepted mirror
    bool present = false;    // the file was there before the install started
    // The SHA-256 the service states (lower-case hex), or empty: a download whose content
    // has another digest fails and never takes the target's place.
    std::string sha256;
    std::vector<std::string> mirrors;
    std::vector<std::string> validators;  // per mirror, from its size probe
    DownloadLimits limits;
    // Told the bytes taken over from an earlier run, before the first block is fetched.
    std::function<void(int64_t)> onResumed;

  private:
    struct RunState;

    CDownloadManager* manager_;
    ProxyRouter* router_;

    // Blocks are made as they are needed, so that memory does not grow with the file.
    // Blocks already in the partial file (`resumed`) are never fetched again.
    void ResetBlocks(const ResumeRecord& resumed);
    // The next block to fetch: a failed one first, then a new one. False when none is
    // left to hand out (either all are done or the rest are in flight).
    bool TakeBlock(DownloadBlock& block, bool& allDone);
    void BlockLoop(RunState& run);
    bool FetchBlock(const DownloadBlock& block, RunState& run);
    // Puts a failed block back at the tail of pending, on another mirror; false when the
    // block has failed too often.
    bool Requeue(DownloadBlock block);
    bool Fail(RunState& run, const std::wstring& message);

    int64_t blockCount = 0;
    int64_t nextBlock = 0;            // index of the next block to make
    int64_t dealtBlocks = 0;          // blocks made so far in this run
    std::vector<bool> resumedBlocks;  // complete before this run began
    int64_t resumedBytes = 0;
    int64_t completedBlocks = 0;
    std::deque<DownloadBlock> pending;    // failed blocks waiting for another try
    std::vector<int64_t> deliveredBytes;  // per mirror
    MirrorPace pace;
    int64_t currentDone = 0;
    int64_t previousDone = 0;
};
