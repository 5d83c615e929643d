#include "install_funnel.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace service {
namespace {

struct Installation {
    std::string comname, appid, start;
    bool started = false;
    bool planned = false;
    bool finished = false;
    Json::Value plan;  // the latest needdown event: a user who goes back asks again
    std::set<std::string> downloaded;
};

std::string Text(const Json::Value& event, const char* key) {
    const Json::Value& value = event[key];
    return value.isString() ? value.asString() : std::string();
}

std::vector<std::string> PlanFiles(const Json::Value& plan) {
    std::vector<std::string> files;
    if (plan["files"].isArray())
        for (const auto& file : plan["files"])
            if (file.isString())
                files.push_back(file.asString());
    return files;
}

std::map<std::string, Installation> GroupByGuid(const std::vector<Json::Value>& events) {
    std::map<std::string, Installation> installations;
    for (const auto& event : events) {
        const std::string guid = Text(event, "guid");
        if (guid.empty())
            continue;
        Installation& one = installations[guid];
        const std::string time = Text(event, "time");
        if (one.start.empty() || time < one.start)
            one.start = time;
        if (one.comname.empty()) {
            one.comname = Text(event, "comname");
            one.appid = Text(event, "appid");
        }
        const std::string name = Text(event, "event");
        if (name == "firstpage") {
            one.started = true;
        } else if (name == "needdown") {
            if (!one.planned || Text(one.plan, "time") <= time)
                one.plan = event;
            one.planned = true;
        } else if (name == "ftpok") {
            one.downloaded.insert(Text(event, "filename"));
        } else if (name == "setupok") {
            one.finished = true;
        }
    }
    return installations;
}

bool InWindow(const std::string& time, const FunnelWindow& window) {
    return (window.from.empty() || time >= window.from) && (window.to.empty() || time < window.to);
}

void AddPlanned(VersionFunnel& funnel, const Installation& one) {
    ++funnel.planned;
    std::string lastStep = "needdown";
    for (const auto& file : PlanFiles(one.plan)) {
        auto step = std::find_if(funnel.packages.begin(), funnel.packages.end(),
                                 [&](const PackageStep& p) { return p.filename == file; });
        if (step == funnel.packages.end())
            step = funnel.packages.insert(funnel.packages.end(), PackageStep{file, 0, 0});
        ++step->planned;
        if (one.downloaded.count(file)) {
            ++step->downloaded;
            lastStep = "ftpok " + file;
        }
    }
    if (one.finished) {
        ++funnel.finished;
        return;
    }
    const StoppedGroup key{Text(one.plan, "os"), Text(one.plan, "Net20"), Text(one.plan, "Net40"),
                           lastStep, 0};
    const auto same = [&](const StoppedGroup& g) {
        return std::tie(g.os, g.net20, g.net40, g.lastStep) ==
               std::tie(key.os, key.net20, key.net40, key.lastStep);
    };
    auto group = std::find_if(funnel.stopped.begin(), funnel.stopped.end(), same);
    if (group == funnel.stopped.end())
        group = funnel.stopped.insert(funnel.stopped.end(), key);
    ++group->installations;
}

}  // namespace

std::vector<ApplicationFunnel> BuildFunnel(const std::vector<Json::Value>& events,
                                           const FunnelWindow& window) {
    std::map<std::pair<std::string, std::string>, ApplicationFunnel> applications;
    std::map<std::pair<std::string, std::string>, std::map<std::string, VersionFunnel>> versions;
    for (const auto& [guid, one] : GroupByGuid(events)) {
        if (!InWindow(one.start, window))
            continue;
        const auto key = std::make_pair(one.comname, one.appid);
        ApplicationFunnel& app = applications[key];
        app.comname = one.comname;
        app.appid = one.appid;
        app.started += one.started ? 1 : 0;
        if (!one.planned)
            continue;
        ++app.planned;
        const std::string version = Text(one.plan, "ver");
        VersionFunnel& funnel = versions[key][version];
        funnel.version = version;
        AddPlanned(funnel, one);
    }
    std::vector<ApplicationFunnel> result;
    for (auto& [key, app] : applications) {
        for (auto& [version, funnel] : versions[key]) {
            std::sort(funnel.stopped.begin(), funnel.stopped.end(),
                      [](const StoppedGroup& a, const StoppedGroup& b) {
                          return std::tie(b.installations, a.os, a.net20, a.net40, a.lastStep) <
                                 std::tie(a.installations, b.os, b.net20, b.net40, b.lastStep);
                      });
            app.versions.push_back(std::move(funnel));
        }
        result.push_back(std::move(app));
    }
    return result;
}

}  // namespace service
