#pragma once
// Events that could not reach the database wait here, in the JSON-lines form, until it
// answers again. The file has a size limit so that a long outage cannot fill the disk.
//
// A replay first moves the file aside (path + ".replay"), so that new events can be
// spilled while the old ones are written; the moved file is removed only once all of its
// events are stored. A replay cut short is started again from the top: the store ignores
// events it already holds.
#include <json/json.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace service {

class SpillFile {
  public:
    SpillFile(std::string path, uint64_t maxBytes);

    // Appends the events that fit under the limit, in order; returns how many did.
    size_t Append(const std::vector<Json::Value>& events);
    bool Empty() const;
    uint64_t Bytes() const;
    const std::string& Path() const { return path_; }

    using BatchWriter = std::function<bool(const std::vector<Json::Value>&)>;
    // Hands the spilled events to `write` in batches of up to `batchSize`, oldest first;
    // true when every batch was written (the events are then gone from the spill file).
    // Lines that are not events are skipped with a log line.
    bool Replay(size_t batchSize, const BatchWriter& write);

  private:
    std::string ReplayPath() const { return path_ + ".replay"; }

    const std::string path_;
    const uint64_t maxBytes_;
    mutable std::mutex lock_;  // guards the spill file's appends and bytes_
    uint64_t bytes_ = 0;       // the spill file and the file being replayed together
};

}  // namespace service
