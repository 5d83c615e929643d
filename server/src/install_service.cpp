#include "install_service.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>

#include "answer_writer.h"
#include "event_log.h"
#include "platform/text_codec.h"
#include "service/field_cipher.h"

namespace service {
namespace {

// Longer values are refused: nothing the installer sends comes near it.
constexpr size_t kMaxParamLength = 512;

using Params = std::map<std::string, std::string>;

struct Context {
    const Catalog& catalog;
    EventSink& events;
    const ServiceRequest& request;
    const Params& params;
    const std::string& comname;
    const std::string& appid;
    const Application& app;
};

ServiceReply Error(const std::string& message) {
    return {ErrorAnswer(message), false, "ER " + message};
}

ServiceReply Ok(const std::vector<FlatRecord>& records, const std::string& note = {}) {
    return {
        OkAnswer(records), true,
        "OK " + std::to_string(records.size()) + " record(s)" + (note.empty() ? "" : " " + note)};
}

bool Has(const Params& params, const std::string& name) {
    return params.count(name) != 0;
}

std::string Get(const Params& params, const std::string& name) {
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool Listed(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

Json::Value BaseEvent(const Context& c, const char* event, const std::string& guid) {
    Json::Value line(Json::objectValue);
    line["event"] = event;
    line["guid"] = guid;
    line["comname"] = c.comname;
    line["appid"] = c.appid;
    line["client"] = c.request.client;
    return line;
}

// Request values may be anything; the event log is UTF-8 JSON.
std::string LogSafe(const std::string& value) {
    return IsValidUtf8(value) ? value : Printable(value, kMaxParamLength);
}

// The guid parameter: empty (the installer had none) or one this service hands out.
bool ReadGuid(const Params& params, std::string& guid, ServiceReply& reply) {
    if (!Has(params, "guid")) {
        reply = Error("missing parameter guid");
        return false;
    }
    guid = Get(params, "guid");
    if (!guid.empty() && !IsInstallationId(guid)) {
        reply = Error("bad guid " + guid);
        return false;
    }
    return true;
}

std::string FileSizeKiB(const Catalog& catalog, const Package& package) {
    if (!package.filesize.empty() || catalog.FilesDir().empty())
        return package.filesize.empty() ? "0" : package.filesize;
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(
        std::filesystem::path(catalog.FilesDir()) / package.downfilename.substr(1), ec);
    if (ec)
        return "0";
    return std::to_string((bytes + 1023) / 1024);  // rounded up: a small file is not 0 KiB
}

ServiceReply DownServerList(const Context& c) {
    std::vector<FlatRecord> records;
    for (const auto& server : c.app.servers)
        records.push_back({{"ip", server.ip}, {"http", server.http}, {"ftp", server.ftp}});
    return Ok(records);
}

ServiceReply FirstPage(const Context& c) {
    FlatRecord record = c.app.firstPage;
    const std::string guid = NewInstallationId();
    record.emplace_back("guid", guid);
    Json::Value event = BaseEvent(c, "firstpage", guid);
    event["cardno"] = LogSafe(Get(c.params, "cardno"));
    if (!c.events.Append(event))
        return Error("the event log cannot be written");
    return Ok({record}, "guid " + guid);
}

ServiceReply GetVer(const Context& c) {
    return Ok(c.app.versions);
}

ServiceReply CreateIcon(const Context& c) {
    if (!Has(c.params, "netver"))
        return Error("missing parameter netver");
    const std::string netver = Get(c.params, "netver");
    std::vector<FlatRecord> records;
    for (const auto& shortcut : c.app.shortcuts)
        if (shortcut.netver.empty() || Listed(shortcut.netver, netver))
            records.push_back(shortcut.fields);
    return Ok(records);
}

bool Matches(const PackageCondition& when, const Params& params, const std::string& version) {
    if (!when.netver.empty() && !Listed(when.netver, Get(params, "netver")))
        return false;
    if (!when.os.empty() && !Listed(when.os, Get(params, "os")))
        return false;
    if (!when.ver.empty() && !Listed(when.ver, version))
        return false;
    if (!when.net20.empty() && when.net20 != Get(params, "Net20"))
        return false;
    return when.net40.empty() || when.net40 == Get(params, "Net40");
}

ServiceReply NeedDown(const Context& c) {
    if (!Has(c.params, "netver"))
        return Error("missing parameter netver");
    std::string guid;
    ServiceReply refused;
    if (!ReadGuid(c.params, guid, refused))
        return refused;
    const std::string asked = Get(c.params, "ver");
    const std::string version = asked.empty() ? c.app.currentVersion : asked;
    if (!asked.empty() && !c.app.versions.empty()) {
        const bool known =
            std::any_of(c.app.versions.begin(), c.app.versions.end(),
                        [&](const FlatRecord& v) { return FieldValue(v, "ver") == asked; });
        if (!known)
            return Error("unknown version " + asked);
    }
    std::vector<FlatRecord> records;
    Json::Value files(Json::arrayValue);
    for (const auto& package : c.app.packages) {
        if (!Matches(package.when, c.params, version))
            continue;
        std::string rarpass;
        if (!package.password.empty()) {
            const std::string seed = MakeFieldSeed(
                NeedDownSeedMaterial(text::Utf8ToWide(c.comname), text::Utf8ToWide(package.id)));
            rarpass = EncryptField(package.password, seed);
        }
        records.push_back({{"id", package.id},
                           {"comname", c.comname},
                           {"filename", package.filename},
                           {"downfilename", package.downfilename},
                           {"filesize", FileSizeKiB(c.catalog, package)},
                           {"ver", package.ver},
                           {"rarpath", package.rarpath},
                           {"haveexistsdown", package.haveexistsdown},
                           {"setupparam", package.setupparam},
                           {"rarpass", rarpass}});
        if (!package.sha256.empty())
            records.back().push_back({"sha256", package.sha256});
        files.append(package.filename);
    }
    Json::Value event = BaseEvent(c, "needdown", guid);
    for (const char* key : {"netver", "os", "Net20", "Net40", "ie"})
        event[key] = LogSafe(Get(c.params, key));
    event["ver"] = version;
    event["files"] = files;
    if (!c.events.Append(event))
        return Error("the event log cannot be written");
    return Ok(records);
}

ServiceReply GetFtp(const Context& c) {
    if (!Has(c.params, "serverno"))
        return Error("missing parameter serverno");
    const std::string serverNo = Get(c.params, "serverno");
    const auto server = std::find_if(c.app.servers.begin(), c.app.servers.end(),
                                     [&](const DownloadServer& s) { return s.ip == serverNo; });
    if (server == c.app.servers.end())
        return Error("unknown server " + serverNo);
    const std::string seed = MakeFieldSeed(GetFtpSeedMaterial(
        text::Utf8ToWide(c.comname), text::Utf8ToWide(c.appid), text::Utf8ToWide(serverNo)));
    return Ok(
        {{{"username", server->username}, {"Password", EncryptField(server->password, seed)}}});
}

ServiceReply FtpOk(const Context& c) {
    if (!Has(c.params, "filename"))
        return Error("missing parameter filename");
    std::string guid;
    ServiceReply refused;
    if (!ReadGuid(c.params, guid, refused))
        return refused;
    const std::string filename = Get(c.params, "filename");
    const bool known = std::any_of(c.app.packages.begin(), c.app.packages.end(),
                                   [&](const Package& p) { return p.filename == filename; });
    if (!known)
        return Error("unknown file " + filename);
    Json::Value event = BaseEvent(c, "ftpok", guid);
    event["filename"] = filename;
    if (!c.events.Append(event))
        return Error("the event log cannot be written");
    return Ok({{{"result", "recorded"}}});
}

ServiceReply SetupOk(const Context& c) {
    std::string guid;
    ServiceReply refused;
    if (!ReadGuid(c.params, guid, refused))
        return refused;
    if (!c.events.Append(BaseEvent(c, "setupok", guid)))
        return Error("the event log cannot be written");
    return Ok({{{"result", "recorded"}}});
}

ServiceReply CompanyName(const Context& c) {
    FlatRecord record = c.app.companyName;
    if (!HasField(record, "InstallDate")) {
        // The date the installation registers itself, as the uninstall entry shows it.
        char date[16] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(date, sizeof date, "%Y%m%d", &local);
        record.emplace_back("InstallDate", date);
    }
    return Ok({record});
}

ServiceReply AppExe(const Context& c) {
    return Ok(c.app.appExe);
}
ServiceReply AppFilesNot(const Context& c) {
    return Ok(c.app.appFilesNot);
}

using Action = ServiceReply (*)(const Context&);

const std::map<std::string, Action>& Actions() {
    static const std::map<std::string, Action> actions = {{"downserverlist", DownServerList},
                                                          {"firstpage", FirstPage},
                                                          {"getver", GetVer},
                                                          {"createicon", CreateIcon},
                                                          {"needdown", NeedDown},
                                                          {"getftp", GetFtp},
                                                          {"ftpok", FtpOk},
                                                          {"setupok", SetupOk},
                                                          {"companyname", CompanyName},
                                                          {"appexe", AppExe},
                                                          {"appfilesnot", AppFilesNot}};
    return actions;
}

}  // namespace

ServiceReply InstallService::Handle(const ServiceRequest& request) const {
    Params params;
    for (const auto& [name, value] : request.params) {
        if (value.size() > kMaxParamLength)
            return Error("parameter " + name + " is too long");
        // One value per name: a repeated parameter leaves it open which one counts.
        if (!params.emplace(name, value).second)
            return Error("parameter " + name + " is repeated");
    }
    for (const char* name : {"comname", "appid", "action"})
        if (Get(params, name).empty())
            return Error(std::string("missing parameter ") + name);
    const std::string comname = Get(params, "comname");
    const std::string appid = Get(params, "appid");
    const auto action = Actions().find(Get(params, "action"));
    if (action == Actions().end())
        return Error("unknown action " + Get(params, "action"));
    if (!catalog_.FindCompany(comname))
        return Error("unknown company " + comname);
    const Application* app = catalog_.FindApplication(comname, appid);
    if (!app)
        return Error("unknown application " + appid);
    const Context context{catalog_, events_, request, params, comname, appid, *app};
    return action->second(context);
}

}  // namespace service
