#include "download/download_task.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <string_view>
#include <system_error>
#include <thread>

#include "download/curl_easy.h"
#include "download/curl_share.h"
#include "download/download_manager.h"
#include "download/file_digest.h"
#include "download/header_line.h"
#include "download/partial_download.h"
#include "download/proxy_router.h"
#include "download/resume_record.h"
#include "download/url_credentials.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace {

constexpr unsigned kPollMilliseconds = 100;

// Guards the block state of every task; held only for short list operations.
std::mutex& BlockLock() {
    static std::mutex lock;
    return lock;
}

int64_t NowMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

unsigned NextRandom() {
    thread_local std::minstd_rand generator(static_cast<unsigned>(
        std::hash<std::thread::id>()(std::this_thread::get_id()) ^
        static_cast<size_t>(std::chrono::steady_clock::now().time_since_epoch().count())));
    return static_cast<unsigned>(generator());
}

// Receives one block's answer. An answer longer than the block is cut off at once: it
// can only be a server that ignored the range, and it must never outgrow the block.
struct BlockReceiver {
    std::string data;
    size_t limit = 0;
    const std::atomic<bool>* stop = nullptr;
    // HTTP only: the answer must be 206 naming exactly this Content-Range (or 200 when
    // the block is the whole file); judged when the headers are complete, so that a
    // server that ignores the range is refused before it sends the file.
    bool checkHeaders = false;
    std::string expectedRange;  // "bytes first-last/size"
    bool wholeFileAllowed = false;
    long status = 0;
    std::string contentRange;
    bool refused = false;
};

size_t ReceiveBlockData(char* bytes, size_t size, size_t count, void* userData) {
    auto* receiver = static_cast<BlockReceiver*>(userData);
    const size_t n = size * count;
    if (n > receiver->limit - receiver->data.size())
        return 0;
    receiver->data.append(bytes, n);
    return n;
}

bool AnswerNamesTheBlock(const BlockReceiver& receiver) {
    if (receiver.status == 206)
        return receiver.contentRange == receiver.expectedRange;
    return receiver.status == 200 && receiver.wholeFileAllowed;
}

size_t ReceiveBlockHeader(char* bytes, size_t size, size_t count, void* userData) {
    auto* receiver = static_cast<BlockReceiver*>(userData);
    const size_t n = size * count;
    const std::string_view line(bytes, n);
    if (StartsWithNoCase(line, "http/")) {
        // A new answer (after an interim 1xx one) starts afresh.
        const size_t blank = line.find(' ');
        receiver->status =
            blank == std::string_view::npos
                ? 0
                : std::strtol(std::string(line.substr(blank + 1, 3)).c_str(), nullptr, 10);
        receiver->contentRange.clear();
    } else if (StartsWithNoCase(line, "content-range:")) {
        receiver->contentRange = TrimmedHeaderValue(line, 14);
    } else if (line == "\r\n" || line == "\n") {
        // Interim answers, and a proxy's 407 that libcurl answers with the sign-in.
        if ((receiver->status >= 100 && receiver->status < 200) || receiver->status == 407)
            return n;
        if (!AnswerNamesTheBlock(*receiver)) {
            receiver->refused = true;
            return 0;
        }
    }
    return n;
}

// Lets a run that gives up end the transfers in flight instead of waiting for them.
int CheckStop(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<BlockReceiver*>(userData)->stop->load() ? 1 : 0;
}

long BlockTimeoutMs(const DownloadBlock& block) {
    int64_t seconds = ((block.end - block.start) / 1024) / 10;
    seconds = std::clamp<int64_t>(seconds, 10, 300);
    return static_cast<long>(seconds * 1000);
}

}  // namespace

struct CDownloadTask::RunState {
    CurlShare connections;
    PartialDownload partial;
    std::atomic<bool> stop{false};
    std::atomic<int64_t> lastProgressMs{0};
    std::atomic<int> threadsRunning{0};
    // Written once, by the first failure, under the block lock.
    bool failed = false;
    std::wstring failureMessage;
};

bool CDownloadTask::Run() {
    if (mirrors.empty() || size <= 0)
        return false;
    CDownloadManager& manager = *manager_;
    const std::wstring target = text::SystemToWide(targetPath);

    RunState run;
    // With a digest, a file already under the target name (one that failed it) stays until
    // a copy proven right replaces it; a later run checks it again before using it.
    const bool keepTarget = !sha256.empty() && platform::PathExists(target);
    ResumeRecord wanted;
    wanted.name = name;
    wanted.size = size;
    wanted.sha256 = sha256;
    for (size_t i = 0; i < mirrors.size(); ++i)
        wanted.validators.emplace_back(MirrorKey(mirrors[i]),
                                       i < validators.size() ? validators[i] : std::string());
    std::wstring discarded;
    const bool opened = run.partial.Open(target, wanted, kBlockSize, discarded);
    if (!discarded.empty())
        manager.Log(L"Download\t文件%s的未完成下载不能继续（%s），重新下载", targetPath, discarded);
    if (!opened) {
        run.partial.Discard();
        manager.Log(L"Download\t写文件%s失败", PartialDownload::PartPath(target));
        return false;
    }

    ResetBlocks(run.partial.record());
    if (resumedBytes > 0 && onResumed)
        onResumed(resumedBytes);
    run.lastProgressMs = NowMilliseconds();
    std::vector<std::thread> threads;
    threads.reserve(kThreadCount);
    try {
        for (int i = 0; i < kThreadCount; ++i) {
            ++run.threadsRunning;
            threads.emplace_back([this, &run] {
                BlockLoop(run);
                --run.threadsRunning;
            });
        }
    } catch (const std::system_error&) {
        --run.threadsRunning;
        Fail(run, text::Format(L"Download\t文件%s下载失败，无法启动下载线程", targetPath));
    }

    const int64_t idleLimitMs = static_cast<int64_t>(limits.maxIdleSeconds) * 1000;
    while (run.threadsRunning > 0) {
        platform::SleepMilliseconds(kPollMilliseconds);
        if (!run.stop && NowMilliseconds() - run.lastProgressMs > idleLimitMs)
            Fail(run, text::Format(L"Download\t文件%s下载失败，%d秒内没有块下载完成，停止下载",
                                   targetPath, limits.maxIdleSeconds));
    }
    for (std::thread& thread : threads)
        thread.join();

    bool complete;
    {
        std::lock_guard<std::mutex> guard(BlockLock());
        complete = !run.failed && completedBlocks >= blockCount;
        pending.clear();
    }
    run.partial.Close();
    bool wrongContent = false;
    if (complete && !sha256.empty()) {
        std::string actual;
        if (!FileSha256(run.partial.partPath(), actual) || actual != sha256) {
            complete = false;
            wrongContent = true;
            run.failureMessage = text::Format(
                L"Download\t文件%s校验失败，SHA-256应为%s，实为%s", targetPath,
                text::SystemToWide(sha256),
                actual.empty() ? std::wstring(L"(无法读取)") : text::SystemToWide(actual));
        }
    }
    if (complete && !run.partial.Commit(target)) {
        complete = false;
        run.failureMessage = text::Format(L"Download\t写文件%s失败", targetPath);
    }
    if (complete)
        return true;

    // Nothing may stay under the target name that a later run would take as downloaded. The
    // blocks of a run that ended early stay for the next one, unless they proved wrong.
    if (wrongContent || !run.partial.Resumable())
        run.partial.Discard();
    if (!keepTarget)
        platform::RemoveFile(target);
    manager.LogText(run.failureMessage);
    return false;
}

void CDownloadTask::ResetBlocks(const ResumeRecord& resumed) {
    std::lock_guard<std::mutex> guard(BlockLock());
    pending.clear();
    deliveredBytes.assign(mirrors.size(), 0);
    pace.Reset(mirrors.size());
    nextBlock = 0;
    dealtBlocks = 0;
    blockCount = size / kBlockSize + (size % kBlockSize != 0 ? 1 : 0);
    resumedBlocks = resumed.done;
    resumedBlocks.resize(static_cast<size_t>(blockCount), false);
    completedBlocks = std::count(resumedBlocks.begin(), resumedBlocks.end(), true);
    resumedBytes = resumed.DoneBytes(kBlockSize);
}

bool CDownloadTask::TakeBlock(DownloadBlock& block, bool& allDone) {
    std::lock_guard<std::mutex> guard(BlockLock());
    allDone = completedBlocks >= blockCount;
    if (allDone)
        return false;
    if (!pending.empty()) {
        block = pending.front();
        pending.pop_front();
        block.mirror = pace.Redeal(block.mirror);
        return true;
    }
    while (nextBlock < blockCount && resumedBlocks[static_cast<size_t>(nextBlock)])
        ++nextBlock;
    if (nextBlock >= blockCount)
        return false;
    block = DownloadBlock{};
    block.mirror =
        pace.Redeal(static_cast<size_t>(dealtBlocks++ % static_cast<int64_t>(mirrors.size())));
    block.start = nextBlock * kBlockSize + 1;
    block.end = nextBlock + 1 < blockCount ? (nextBlock + 1) * kBlockSize : size;
    ++nextBlock;
    return true;
}

void CDownloadTask::BlockLoop(RunState& run) {
    while (!run.stop) {
        DownloadBlock block;
        bool allDone = false;
        if (TakeBlock(block, allDone)) {
            const int64_t startedMs = NowMilliseconds();
            if (FetchBlock(block, run)) {
                run.partial.MarkDone((block.start - 1) / kBlockSize);
                std::vector<size_t> slow;
                {
                    std::lock_guard<std::mutex> guard(BlockLock());
                    ++completedBlocks;
                    deliveredBytes[block.mirror] += block.Length();
                    run.lastProgressMs = NowMilliseconds();
                    slow =
                        pace.Record(block.mirror, block.Length(), run.lastProgressMs - startedMs);
                }
                for (const size_t mirror : slow)
                    manager_->Log(L"Download\t服务器%s速度过慢，其余块改由其他服务器下载",
                                  MirrorKey(mirrors[mirror]));
            } else if (!run.stop && !Requeue(block)) {
                Fail(run, text::Format(
                              L"Download\t文件%s下载失败，块(%09I64d-%09I64d)已失败%d次，停止下载",
                              targetPath, block.start, block.end, block.failures + 1));
            }
        } else if (allDone) {
            return;
        }
        platform::SleepMilliseconds(kPollMilliseconds);
    }
}

bool CDownloadTask::Requeue(DownloadBlock block) {
    std::lock_guard<std::mutex> guard(BlockLock());
    // Every mirror may fail a block now and then; only a block that keeps failing wherever
    // it goes ends the run.
    const int allowed =
        limits.maxBlockFailures * static_cast<int>(std::max<size_t>(1, mirrors.size()));
    if (block.failures + 1 >= allowed)
        return false;
    ++block.failures;
    // A failing block moves to a mirror that has delivered, as soon as there is one.
    std::vector<size_t> delivering;
    for (size_t i = 0; i < deliveredBytes.size(); ++i)
        if (deliveredBytes[i] > 0)
            delivering.push_back(i);
    const unsigned r = NextRandom();
    block.mirror = delivering.empty() ? r % mirrors.size() : delivering[r % delivering.size()];
    pending.push_back(std::move(block));
    return true;
}

bool CDownloadTask::Fail(RunState& run, const std::wstring& message) {
    {
        std::lock_guard<std::mutex> guard(BlockLock());
        if (!run.failed) {
            run.failed = true;
            run.failureMessage = message;
        }
    }
    run.stop = true;
    return false;
}

bool CDownloadTask::FetchBlock(const DownloadBlock& block, RunState& run) {
    CDownloadManager& manager = *manager_;
    const UrlCredentials parts = SplitUrlCredentials(mirrors[block.mirror]);
    manager.Log(L"Download\t启动线程下载文件%s，块(%09I64d-%09I64d)", parts.url, block.start,
                block.end);
    CurlEasy curl;
    if (!curl)
        return false;

    BlockReceiver receiver;
    receiver.limit = static_cast<size_t>(block.Length());
    receiver.stop = &run.stop;
    receiver.data.reserve(receiver.limit);
    const std::string range =
        text::WideToSystem(text::Format(L"%I64d-%I64d", block.start - 1, block.end - 1));
    const long timeoutMs =
        limits.blockTimeoutMs > 0 ? limits.blockTimeoutMs : BlockTimeoutMs(block);
    curl_easy_setopt(curl.get(), CURLOPT_URL, parts.url.c_str());
    if (run.connections.get() != nullptr) {
        curl_easy_setopt(curl.get(), CURLOPT_SHARE, run.connections.get());
        // An idle connection per thread stays in the cache (libcurl keeps five).
        curl_easy_setopt(curl.get(), CURLOPT_MAXCONNECTS, static_cast<long>(kThreadCount));
    }
    // Apart, so that a ":" in the user name cannot move into the password.
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, parts.user.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, parts.password.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &ReceiveBlockData);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(curl.get(), CURLOPT_RANGE, range.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_MAX_RECV_SPEED_LARGE,
                     static_cast<curl_off_t>(kMaxReceiveBytesPerSecond));
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &CheckStop);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &receiver);
    receiver.checkHeaders = parts.url.rfind("http", 0) == 0;
    if (receiver.checkHeaders) {
        receiver.expectedRange = text::WideToSystem(
            text::Format(L"bytes %I64d-%I64d/%I64d", block.start - 1, block.end - 1, size));
        receiver.wholeFileAllowed = block.start == 1 && block.end == size;
        curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, &ReceiveBlockHeader);
        curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &receiver);
    }

    const CURLcode result = router_->Perform(curl.get(), parts.url);
    if (receiver.checkHeaders && result == CURLE_OK && !AnswerNamesTheBlock(receiver))
        receiver.refused = true;
    if (receiver.refused) {
        if (!run.stop)
            manager.Log(
                L"Download\t文件%s，块(%09I64d-%09I64d)下载失败，HTTPcode(%d)，Content-Range(%s)",
                parts.url, block.start, block.end, receiver.status, receiver.contentRange);
        return false;
    }
    if (result != CURLE_OK) {
        if (!run.stop)
            manager.Log(L"Download\t文件%s，块(%09I64d-%09I64d)下载失败，CURLcode(%d)", parts.url,
                        block.start, block.end, static_cast<int>(result));
        return false;
    }
    long code = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code);
    if (code >= 400) {
        manager.Log(L"Download\t文件%s，块(%09I64d-%09I64d)下载失败，CURLcode(%d)，HTTPcode(%d)",
                    parts.url, block.start, block.end, 0, code);
        return false;
    }
    if (static_cast<int64_t>(receiver.data.size()) != block.Length()) {
        manager.Log(L"Download\t文件%s，块(%09I64d-%09I64d)下载失败，收到%I64d字节，HTTPcode(%d)",
                    parts.url, block.start, block.end, static_cast<int64_t>(receiver.data.size()),
                    code);
        return false;
    }
    if (!run.partial.WriteAt(block.start - 1, receiver.data.data(), receiver.data.size()))
        return Fail(run, text::Format(L"Download\t写文件%s失败", run.partial.partPath()));
    manager.Log(L"Download\t文件%s，块(%09I64d-%09I64d)下载完成，CURLcode(%d)，HTTPcode(%d)",
                parts.url, block.start, block.end, 0, code);
    return true;
}

int64_t CDownloadTask::GetDoneBytes() {
    int64_t total = 0;
    {
        std::lock_guard<std::mutex> guard(BlockLock());
        total = resumedBytes;
        for (const int64_t bytes : deliveredBytes)
            total += bytes;
    }
    previousDone = currentDone;
    currentDone = total;
    return total;
}

int64_t CDownloadTask::GetPreviousDoneBytes() const {
    return previousDone;
}
