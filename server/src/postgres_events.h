#pragma once
// The install_events table through libpq: the schema, batches of events in, events out
// for the report. One connection, used by one thread at a time.
#include <json/json.h>

#include <string>
#include <vector>

struct pg_conn;

namespace service {

// A connection URI of the form postgresql://… (or postgres://…).
bool IsPostgresUri(const std::string& text);
// A URI the service accepts: one libpq can read, without a password (passwords come
// from PGPASSFILE or PGPASSWORD, never from a command line); else the reason in `error`.
bool CheckPostgresUri(const std::string& uri, std::string& error);

class PostgresEvents {
  public:
    // Refused: the database would not take one of the rows (a data or constraint error);
    // Unavailable: anything else (no connection, disk full, no table, no permission),
    // which waits for the database rather than losing the events.
    enum class Result { Stored, Unavailable, Refused };

    explicit PostgresEvents(std::string uri) : uri_(std::move(uri)) {}
    ~PostgresEvents();
    PostgresEvents(const PostgresEvents&) = delete;
    PostgresEvents& operator=(const PostgresEvents&) = delete;

    bool Connect(std::string& error);
    bool Connected() const;
    void Disconnect();
    // Creates or completes the table (server/sql/events.sql).
    bool ApplySchema(std::string& error);
    // Stores the events in one statement; an event already stored (same "id") is left as
    // it is.
    Result Insert(const std::vector<Json::Value>& events, std::string& error);
    // The events of every installation that has an event at or after `from` and before
    // `to` (UTC "YYYY-MM-DDTHH:MM:SSZ"; empty: open end), ordered by time.
    bool ReadInstallations(const std::string& from, const std::string& to,
                           std::vector<Json::Value>& events, std::string& error);

  private:
    std::string LastError() const;

    const std::string uri_;
    pg_conn* connection_ = nullptr;
};

}  // namespace service
