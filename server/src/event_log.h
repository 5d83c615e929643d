#pragma once
// The append-only event log: one JSON object per line. Each line is appended with a
// single write to a file opened for appending, so several service instances on one host
// can share one log file without mixing their lines (not on a network file system,
// where appends of several hosts can interleave: use the PostgreSQL store there).
#include <mutex>
#include <string>

#include "event_sink.h"

namespace service {

class EventLog : public EventSink {
  public:
    // An empty path keeps no log.
    explicit EventLog(std::string path) : path_(std::move(path)) {}

    // Stamps and appends the event; false when it could not be written.
    bool Append(Json::Value event) override;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::mutex lock_;
};

// A fresh installation identifier: 32 random upper-case hexadecimal digits in the
// groups 8-4-4-4-12.
std::string NewInstallationId();
// Whether a text has the form of an installation identifier this service hands out.
bool IsInstallationId(const std::string& value);

}  // namespace service
