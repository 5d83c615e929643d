#include "postgres_events.h"

#include <libpq-fe.h>

#include <memory>

#include "event_sink.h"
#include "events_schema.h"

namespace service {
namespace {

using ResultHandle = std::unique_ptr<PGresult, decltype(&PQclear)>;

// Columns of one event row, in the order of the insert's values.
constexpr int kColumns = 8;

std::string Field(const Json::Value& event, const char* key) {
    const Json::Value& value = event[key];
    return value.isString() ? value.asString() : std::string();
}

// PostgreSQL text and jsonb cannot hold the character U+0000, which a request value may
// carry: it becomes U+FFFD so that one odd request cannot block the events behind it.
void ReplaceNulCharacters(Json::Value& value) {
    if (value.isString()) {
        const std::string text = value.asString();
        if (text.find('\0') == std::string::npos)
            return;
        std::string clean;
        for (char c : text)
            clean += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
        value = clean;
    } else if (value.isArray() || value.isObject()) {
        for (auto& member : value)
            ReplaceNulCharacters(member);
    }
}

std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

bool IsPostgresUri(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

bool CheckPostgresUri(const std::string& uri, std::string& error) {
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &parseError);
    if (!options) {
        error = "the database URI cannot be read: " + Trimmed(parseError);
        PQfreemem(parseError);
        return false;
    }
    bool hasPassword = false;
    for (const PQconninfoOption* option = options; option->keyword; ++option)
        if (std::string(option->keyword) == "password" && option->val && *option->val)
            hasPassword = true;
    PQconninfoFree(options);
    if (hasPassword) {
        error = "the database URI holds a password: put it into PGPASSFILE or PGPASSWORD instead";
        return false;
    }
    return true;
}

PostgresEvents::~PostgresEvents() {
    Disconnect();
}

std::string PostgresEvents::LastError() const {
    return connection_ ? Trimmed(PQerrorMessage(connection_)) : "not connected";
}

bool PostgresEvents::Connect(std::string& error) {
    Disconnect();
    // A database that does not answer must not hold the writer for long; the URI may
    // still set its own time-out, which comes later and wins.
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"5", uri_.c_str(), nullptr};
    connection_ = PQconnectdbParams(keywords, values, 1);
    if (connection_ && PQstatus(connection_) == CONNECTION_OK)
        return true;
    error = LastError();
    Disconnect();
    return false;
}

bool PostgresEvents::Connected() const {
    return connection_ && PQstatus(connection_) == CONNECTION_OK;
}

void PostgresEvents::Disconnect() {
    if (connection_)
        PQfinish(connection_);
    connection_ = nullptr;
}

bool PostgresEvents::ApplySchema(std::string& error) {
    if (!Connected()) {
        error = "not connected";
        return false;
    }
    ResultHandle result(PQexec(connection_, kEventsSchemaSql), PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK &&
        PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        error = LastError();
        // A failed statement leaves the transaction open.
        ResultHandle(PQexec(connection_, "ROLLBACK"), PQclear);
        return false;
    }
    return true;
}

PostgresEvents::Result PostgresEvents::Insert(const std::vector<Json::Value>& events,
                                              std::string& error) {
    if (events.empty())
        return Result::Stored;
    if (!Connected()) {
        error = "not connected";
        return Result::Unavailable;
    }
    std::string sql =
        "INSERT INTO install_events (event_id, at, event, guid, comname, appid, client, detail) "
        "VALUES ";
    std::vector<std::string> texts;
    texts.reserve(events.size() * kColumns);
    for (size_t row = 0; row < events.size(); ++row) {
        // Most events hold no U+0000: only those are copied and cleaned.
        const Json::Value* event = &events[row];
        std::string detail = EventLine(*event);
        Json::Value cleaned;
        if (detail.find("\\u0000") != std::string::npos) {
            cleaned = *event;
            ReplaceNulCharacters(cleaned);
            detail = EventLine(cleaned);
            event = &cleaned;
        }
        for (const char* key : {"id", "time", "event", "guid", "comname", "appid", "client"})
            texts.push_back(Field(*event, key));
        detail.pop_back();  // the line feed
        texts.push_back(std::move(detail));
        const size_t base = row * kColumns;
        sql += row ? ",(" : "(";
        for (int column = 1; column <= kColumns; ++column) {
            sql += "$" + std::to_string(base + column);
            if (column == 2)
                sql += "::timestamptz";
            sql += column == kColumns ? "::jsonb)" : ",";
        }
    }
    sql += " ON CONFLICT (event_id) DO NOTHING";
    std::vector<const char*> values;
    values.reserve(texts.size());
    for (const auto& text : texts)
        values.push_back(text.c_str());
    ResultHandle result(PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0),
                        PQclear);
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK)
        return Result::Stored;
    error = LastError();
    // SQLSTATE classes 22 (data exception) and 23 (integrity constraint violation) are
    // about the rows; another try with other rows may succeed.
    const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    const bool aboutTheRows =
        state && (std::string(state, 2) == "22" || std::string(state, 2) == "23");
    return Connected() && aboutTheRows ? Result::Refused : Result::Unavailable;
}

bool PostgresEvents::ReadInstallations(const std::string& from, const std::string& to,
                                       std::vector<Json::Value>& events, std::string& error) {
    if (!Connected()) {
        error = "not connected";
        return false;
    }
    const char* sql =
        "SELECT detail::text FROM install_events WHERE guid IN "
        "(SELECT guid FROM install_events WHERE at >= $1::timestamptz AND at < $2::timestamptz) "
        "ORDER BY at, event_id";
    const std::string low = from.empty() ? "-infinity" : from;
    const std::string high = to.empty() ? "infinity" : to;
    const char* values[] = {low.c_str(), high.c_str()};
    ResultHandle result(PQexecParams(connection_, sql, 2, nullptr, values, nullptr, nullptr, 0),
                        PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        error = LastError();
        return false;
    }
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        Json::Value event;
        if (ParseEventLine(PQgetvalue(result.get(), row, 0), event))
            events.push_back(std::move(event));
    }
    return true;
}

}  // namespace service
