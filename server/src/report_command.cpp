#include "report_command.h"

#include <fstream>
#include <ostream>

#include "event_sink.h"
#include "funnel_format.h"
#include "install_funnel.h"
#include "postgres_events.h"

namespace service {
namespace {

const char kReportUsage[] =
    "usage: install-service report [--events SOURCE]... [--from TIME] [--to TIME]\n"
    "                              [--format text|csv]\n"
    "  --events SOURCE   postgresql://… (password from PGPASSFILE or PGPASSWORD) or a\n"
    "                    JSON-lines event log; repeat for the logs of several instances\n"
    "                    (default install-events.jsonl)\n"
    "  --from, --to      installations whose first event lies in [from, to): UTC\n"
    "                    YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ (default: all)\n"
    "  --format          text (default) or csv\n";

// A day or an event time, as an event time.
bool ReadTime(const std::string& text, std::string& time) {
    time = text.size() == 10 ? text + "T00:00:00Z" : text;
    return IsEventTime(time);
}

bool ReadLog(const std::string& path, std::vector<Json::Value>& events, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        Json::Value event;
        // A line cut off by a full disk or a crash is not an event.
        if (ParseEventLine(line, event))
            events.push_back(std::move(event));
    }
    return true;
}

bool ReadDatabase(const std::string& uri, const FunnelWindow& window,
                  std::vector<Json::Value>& events, std::string& error) {
    if (!CheckPostgresUri(uri, error))
        return false;
    PostgresEvents database(uri);
    return database.Connect(error) &&
           database.ReadInstallations(window.from, window.to, events, error);
}

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> sources;
    FunnelWindow window;
    std::string format = "text";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            out << kReportUsage;
            return 0;
        } else if (hasValue && arg == "--events") {
            sources.push_back(args[++i]);
        } else if (hasValue && arg == "--from" && ReadTime(args[i + 1], window.from)) {
            ++i;
        } else if (hasValue && arg == "--to" && ReadTime(args[i + 1], window.to)) {
            ++i;
        } else if (hasValue && arg == "--format" &&
                   (args[i + 1] == "text" || args[i + 1] == "csv")) {
            format = args[++i];
        } else {
            err << "install-service report: bad argument " << arg << "\n" << kReportUsage;
            return 2;
        }
    }
    if (sources.empty())
        sources.push_back("install-events.jsonl");
    std::vector<Json::Value> events;
    for (const auto& source : sources) {
        std::string error;
        const bool read = IsPostgresUri(source) ? ReadDatabase(source, window, events, error)
                                                : ReadLog(source, events, error);
        if (!read) {
            err << "install-service report: " << error << "\n";
            return 1;
        }
    }
    const auto funnel = BuildFunnel(events, window);
    out << (format == "csv" ? FunnelCsv(funnel) : FunnelText(funnel, window));
    return 0;
}

}  // namespace service
