#pragma once
// Where the service's events go: the JSON-lines file or the PostgreSQL store. Both stamp
// an event the same way, so a line of the file form can be stored in the table as it is.
#include <json/json.h>

#include <string>

namespace service {

class EventSink {
  public:
    virtual ~EventSink() = default;
    // Records one event; false when it was refused and the request must fail. A sink may
    // take the event for later and answer true at once.
    virtual bool Append(Json::Value event) = 0;
};

// Adds "time" (UTC, ISO 8601) and "id" (a fresh identifier that makes the event unique
// wherever it is stored) unless the event already has them.
void StampEvent(Json::Value& event);
// One line of the JSON-lines form, with its line feed.
std::string EventLine(const Json::Value& event);
// Whether a text is an event time, "YYYY-MM-DDTHH:MM:SSZ".
bool IsEventTime(const std::string& text);
// The event of one JSON-lines line; false for a line that is not an event with a time.
// (Lines written before events had an "id" have none.)
bool ParseEventLine(const std::string& line, Json::Value& event);

}  // namespace service
