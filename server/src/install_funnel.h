#pragma once
// The install funnel: how many installations reached each step, per application and
// version, from the service's events. An installation is the set of events with one
// guid; it belongs to the window in which its first event lies.
#include <json/json.h>

#include <cstdint>
#include <string>
#include <vector>

namespace service {

struct PackageStep {
    std::string filename;
    uint64_t planned = 0;     // installations whose plan lists the package
    uint64_t downloaded = 0;  // of those, the ones that reported it (ftpok)
};

// Installations that got a plan and did not finish, by system and the last step reached
// ("needdown" or "ftpok FILE").
struct StoppedGroup {
    std::string os, net20, net40, lastStep;
    uint64_t installations = 0;
};

struct VersionFunnel {
    std::string version;  // the version the plan was for
    uint64_t planned = 0;
    std::vector<PackageStep> packages;  // in plan order
    uint64_t finished = 0;              // setupok
    std::vector<StoppedGroup> stopped;  // most installations first
};

struct ApplicationFunnel {
    std::string comname, appid;
    uint64_t started = 0;  // firstpage
    uint64_t planned = 0;  // needdown, all versions
    std::vector<VersionFunnel> versions;
};

struct FunnelWindow {
    std::string from, to;  // UTC "YYYY-MM-DDTHH:MM:SSZ"; empty: open; from inclusive
};

// Events without a guid belong to no installation and are left out.
std::vector<ApplicationFunnel> BuildFunnel(const std::vector<Json::Value>& events,
                                           const FunnelWindow& window);

}  // namespace service
