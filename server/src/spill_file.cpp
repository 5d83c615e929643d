#include "spill_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "event_sink.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "service_host.h"

namespace service {
namespace {

uint64_t SizeOf(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

}  // namespace

SpillFile::SpillFile(std::string path, uint64_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {
    bytes_ = SizeOf(path_) + SizeOf(ReplayPath());
}

size_t SpillFile::Append(const std::vector<Json::Value>& events) {
    std::string lines;
    size_t fitting = 0;
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& event : events) {
        const std::string line = EventLine(event);
        if (bytes_ + lines.size() + line.size() > maxBytes_)
            break;
        lines += line;
        ++fitting;
    }
    if (fitting == 0)
        return 0;
    platform::File file;
    if (!file.Open(text::Utf8ToWide(path_), platform::File::Mode::Append) ||
        !file.Write(lines.data(), lines.size())) {
        LogLine("events: cannot write the spill file " + path_);
        bytes_ = SizeOf(path_) + SizeOf(ReplayPath());
        return 0;
    }
    bytes_ += lines.size();
    return fitting;
}

bool SpillFile::Empty() const {
    return Bytes() == 0;
}

uint64_t SpillFile::Bytes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return bytes_;
}

bool SpillFile::Replay(size_t batchSize, const BatchWriter& write) {
    std::error_code ec;
    if (!std::filesystem::exists(ReplayPath(), ec)) {
        std::lock_guard<std::mutex> guard(lock_);
        if (SizeOf(path_) == 0)
            return true;
        std::filesystem::rename(path_, ReplayPath(), ec);
        if (ec) {
            LogLine("events: cannot move the spill file aside: " + ec.message());
            return false;
        }
    }
    std::ifstream in(ReplayPath(), std::ios::binary);
    std::vector<Json::Value> batch;
    std::string line;
    size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty())
            continue;
        Json::Value event;
        // Without its id an event could be stored twice.
        if (!ParseEventLine(line, event) || !event["id"].isString()) {
            LogLine("events: skipped line " + std::to_string(lineNumber) + " of " + ReplayPath() +
                    ": not an event");
            continue;
        }
        batch.push_back(std::move(event));
        if (batch.size() >= batchSize) {
            if (!write(batch))
                return false;
            batch.clear();
        }
    }
    if (!batch.empty() && !write(batch))
        return false;
    in.close();
    std::lock_guard<std::mutex> guard(lock_);
    std::filesystem::remove(ReplayPath(), ec);
    bytes_ = SizeOf(path_);
    return true;
}

}  // namespace service
