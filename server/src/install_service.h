#pragma once
// The install service's request handling: one query (comname, appid, action and the
// action's own parameters) in, one "OK"/"ER" answer out. Holds no state between
// requests apart from what it appends to the event log.
#include <string>
#include <utility>
#include <vector>

#include "catalog.h"
#include "event_sink.h"

namespace service {

struct ServiceRequest {
    std::vector<std::pair<std::string, std::string>> params;  // decoded, in query order
    std::string client;                                       // remote address, for the log
};

struct ServiceReply {
    std::string body;
    bool ok = false;
    std::string note;  // one line for the access log
};

class InstallService {
  public:
    InstallService(const Catalog& catalog, EventSink& events)
        : catalog_(catalog), events_(events) {}

    ServiceReply Handle(const ServiceRequest& request) const;

  private:
    const Catalog& catalog_;
    EventSink& events_;
};

}  // namespace service
