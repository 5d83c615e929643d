#include "funnel_format.h"

#include <algorithm>
#include <cstdio>

#include "answer_writer.h"

namespace service {
namespace {

// "75.0 %" of the base, empty when there is no base.
std::string Rate(uint64_t count, uint64_t base) {
    if (base == 0)
        return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f",
                  100.0 * static_cast<double>(count) / static_cast<double>(base));
    return text;
}

// Values come from installers' requests: nothing in them may break a line or a column.
std::string Shown(const std::string& value) {
    return value.empty() ? "-" : Printable(value, 64);
}

std::string Row(const std::string& indent, const std::string& step, uint64_t count,
                const std::string& rate, const std::string& base) {
    char line[256];
    std::snprintf(line, sizeof line, "%s%-*s %6llu", indent.c_str(),
                  static_cast<int>(60 - indent.size()), step.c_str(),
                  static_cast<unsigned long long>(count));
    std::string row = line;
    if (!rate.empty())
        row += "  " + std::string(6 - std::min<size_t>(rate.size(), 6), ' ') + rate + " % " + base;
    return row + "\n";
}

// A CSV field: quoted when it must be, and never read as a formula by a spreadsheet.
std::string Field(const std::string& value) {
    std::string text = value;
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        text = "'" + text;
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (size_t i = 0; i < fields.size(); ++i)
        row += (i ? "," : "") + Field(fields[i]);
    return row + "\n";
}

}  // namespace

std::string FunnelText(const std::vector<ApplicationFunnel>& funnel, const FunnelWindow& window) {
    std::string out = "Installations started from " +
                      (window.from.empty() ? std::string("the first event") : window.from) +
                      " to " + (window.to.empty() ? std::string("the last") : window.to) + "\n";
    if (funnel.empty())
        out += "no installations\n";
    for (const auto& app : funnel) {
        out += "\n" + Shown(app.comname) + "/" + Shown(app.appid) + "\n";
        out += Row("  ", "started (firstpage)", app.started, "", "");
        out += Row("  ", "got a plan (needdown)", app.planned, Rate(app.planned, app.started),
                   "of started");
        for (const auto& version : app.versions) {
            out += "  version " + Shown(version.version) + "\n";
            out += Row("    ", "got a plan (needdown)", version.planned, "", "");
            for (const auto& package : version.packages)
                out += Row("    ", "downloaded " + Shown(package.filename) + " (ftpok)",
                           package.downloaded, Rate(package.downloaded, package.planned),
                           "of " + std::to_string(package.planned) + " planned");
            out += Row("    ", "finished (setupok)", version.finished,
                       Rate(version.finished, version.planned), "of plans");
            for (const auto& group : version.stopped)
                out += Row("    ",
                           "stopped: os=" + Shown(group.os) + " Net20=" + Shown(group.net20) +
                               " Net40=" + Shown(group.net40) + " after " + Shown(group.lastStep),
                           group.installations, "", "");
        }
    }
    return out;
}

std::string FunnelCsv(const std::vector<ApplicationFunnel>& funnel) {
    std::string out = CsvRow({"comname", "appid", "version", "step", "package", "installations",
                              "of", "rate_percent", "os", "Net20", "Net40", "stopped_after"});
    const auto count = [](uint64_t n) { return std::to_string(n); };
    for (const auto& app : funnel) {
        const std::string& c = app.comname;
        const std::string& a = app.appid;
        out += CsvRow({c, a, "", "firstpage", "", count(app.started), "", "", "", "", "", ""});
        out += CsvRow({c, a, "", "needdown", "", count(app.planned), count(app.started),
                       Rate(app.planned, app.started), "", "", "", ""});
        for (const auto& v : app.versions) {
            out +=
                CsvRow({c, a, v.version, "needdown", "", count(v.planned), "", "", "", "", "", ""});
            for (const auto& p : v.packages)
                out += CsvRow({c, a, v.version, "ftpok", p.filename, count(p.downloaded),
                               count(p.planned), Rate(p.downloaded, p.planned), "", "", "", ""});
            out += CsvRow({c, a, v.version, "setupok", "", count(v.finished), count(v.planned),
                           Rate(v.finished, v.planned), "", "", "", ""});
            for (const auto& g : v.stopped)
                out += CsvRow({c, a, v.version, "stopped", "", count(g.installations), "", "", g.os,
                               g.net20, g.net40, g.lastStep});
        }
    }
    return out;
}

}  // namespace service
