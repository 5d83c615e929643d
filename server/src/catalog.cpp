#include "catalog.h"

#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "download/file_digest.h"
#include "platform/text_codec.h"

namespace service {
namespace {

constexpr size_t kMaxValueLength = 4096;

bool AllBytesIn(const std::string& value, const char* extra) {
    for (const unsigned char c : value) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && std::string_view(extra).find(static_cast<char>(c)) == std::string_view::npos)
            return false;
    }
    return true;
}

// Walks the JSON tree and remembers where the first fault is.
class Reader {
  public:
    explicit Reader(std::string& error) : error_(error) {}

    bool Fail(const std::string& where, const std::string& what) {
        if (error_.empty())
            error_ = where + ": " + what;
        return false;
    }

    bool String(const Json::Value& value, const std::string& where, std::string& out) {
        if (!value.isString())
            return Fail(where, "must be a string");
        out = value.asString();
        if (out.size() > kMaxValueLength)
            return Fail(where, "longer than 4096 bytes");
        if (!IsAnswerSafe(out))
            return Fail(where,
                        "holds a double quote, an apostrophe, a control character or invalid "
                        "UTF-8 (answers cannot carry them)");
        return true;
    }

    bool OptionalString(const Json::Value& object, const char* key, const std::string& where,
                        std::string& out) {
        out.clear();
        if (!object.isMember(key))
            return true;
        return String(object[key], where + "." + key, out);
    }

    bool StringList(const Json::Value& value, const std::string& where,
                    std::vector<std::string>& out) {
        out.clear();
        if (value.isString()) {
            std::string one;
            if (!String(value, where, one))
                return false;
            out.push_back(one);
            return true;
        }
        if (!value.isArray())
            return Fail(where, "must be a string or a list of strings");
        for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
            std::string item;
            if (!String(value[i], where + "[" + std::to_string(i) + "]", item))
                return false;
            out.push_back(item);
        }
        return true;
    }

    bool Flat(const Json::Value& value, const std::string& where, FlatRecord& out) {
        out.clear();
        if (!value.isObject())
            return Fail(where, "must be an object of strings");
        for (const auto& name : value.getMemberNames()) {
            if (name.empty() || !IsAnswerSafe(name) || name.find('\\') != std::string::npos)
                return Fail(where, "field name '" + name + "' is not usable in answers");
            std::string text;
            if (!String(value[name], where + "." + name, text))
                return false;
            out.emplace_back(name, text);
        }
        return true;
    }

    bool FlatList(const Json::Value& value, const std::string& where,
                  std::vector<FlatRecord>& out) {
        out.clear();
        if (value.isNull())
            return true;
        if (!value.isArray())
            return Fail(where, "must be a list of objects");
        for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
            FlatRecord record;
            if (!Flat(value[i], where + "[" + std::to_string(i) + "]", record))
                return false;
            out.push_back(std::move(record));
        }
        return true;
    }

    bool OnlyKeys(const Json::Value& object, const std::string& where,
                  std::initializer_list<const char*> allowed) {
        for (const auto& name : object.getMemberNames()) {
            bool known = false;
            for (const char* key : allowed)
                known = known || name == key;
            if (!known)
                return Fail(where, "unknown key '" + name + "'");
        }
        return true;
    }

  private:
    std::string& error_;
};

bool FileIsThere(const std::string& filesDir, const std::string& servedPath) {
    std::error_code ec;
    return std::filesystem::is_regular_file(
        std::filesystem::path(filesDir) / servedPath.substr(servedPath.find_first_not_of('/')), ec);
}

bool ReadServer(Reader& in, const Json::Value& value, const std::string& where,
                DownloadServer& server) {
    if (!value.isObject())
        return in.Fail(where, "must be an object");
    if (!in.OnlyKeys(value, where, {"ip", "http", "ftp", "username", "password"}))
        return false;
    if (!in.OptionalString(value, "ip", where, server.ip) ||
        !in.OptionalString(value, "http", where, server.http) ||
        !in.OptionalString(value, "ftp", where, server.ftp) ||
        !in.OptionalString(value, "username", where, server.username) ||
        !in.OptionalString(value, "password", where, server.password))
        return false;
    const size_t colon = server.ip.find(':');
    const std::string host = server.ip.substr(0, colon);
    const std::string port = colon == std::string::npos ? "" : server.ip.substr(colon + 1);
    if (host.empty() || host.size() > 253 || !AllBytesIn(host, ".-") ||
        (colon != std::string::npos && (port.empty() || port.size() > 5 || !AllBytesIn(port, ""))))
        return in.Fail(where + ".ip", "must be a host name or address, optionally with :port");
    if ((server.http != "Y" && server.http != "N") || (server.ftp != "Y" && server.ftp != "N"))
        return in.Fail(where, "http and ftp must each be \"Y\" or \"N\"");
    // A port names one listener, which speaks one protocol.
    if (colon != std::string::npos && server.http == "Y" && server.ftp == "Y")
        return in.Fail(where, "an ip with a port serves one protocol: set http or ftp to \"N\"");
    // The installer puts both into URLs unescaped.
    if (!IsCredentialToken(server.username) || !IsCredentialToken(server.password))
        return in.Fail(where, "username and password must be 1 to 64 of A-Z a-z 0-9 . _ ~ -");
    return true;
}

bool ReadPackage(Reader& in, const Json::Value& value, const std::string& where,
                 const std::string& filesDir, Package& package) {
    if (!value.isObject())
        return in.Fail(where, "must be an object");
    if (!in.OnlyKeys(value, where,
                     {"id", "filename", "downfilename", "filesize", "ver", "rarpath",
                      "haveexistsdown", "setupparam", "password", "sha256", "when"}))
        return false;
    if (!in.OptionalString(value, "id", where, package.id) ||
        !in.OptionalString(value, "filename", where, package.filename) ||
        !in.OptionalString(value, "downfilename", where, package.downfilename) ||
        !in.OptionalString(value, "filesize", where, package.filesize) ||
        !in.OptionalString(value, "ver", where, package.ver) ||
        !in.OptionalString(value, "rarpath", where, package.rarpath) ||
        !in.OptionalString(value, "haveexistsdown", where, package.haveexistsdown) ||
        !in.OptionalString(value, "setupparam", where, package.setupparam) ||
        !in.OptionalString(value, "password", where, package.password) ||
        !in.OptionalString(value, "sha256", where, package.sha256))
        return false;
    if (!IsNameToken(package.id))
        return in.Fail(where + ".id", "must be 1 to 64 of A-Z a-z 0-9 . _ -");
    if (!IsNameToken(package.filename))
        return in.Fail(where + ".filename", "must be a plain file name of A-Z a-z 0-9 . _ -");
    if (package.downfilename.empty())
        package.downfilename = "/" + package.filename;
    // The installer's HTTP URL is "http://" + ip + downfilename: without the leading
    // slash the name would run into the port.
    if (!IsServedPath(package.downfilename))
        return in.Fail(where + ".downfilename",
                       "must begin with / and hold segments of A-Z a-z 0-9 . _ - (no ..)");
    if (!package.filesize.empty() && !AllBytesIn(package.filesize, ""))
        return in.Fail(where + ".filesize", "must be a decimal number of KiB");
    if (!filesDir.empty() && package.filesize.empty() &&
        !FileIsThere(filesDir, package.downfilename))
        return in.Fail(where, "no filesize given and " + package.downfilename +
                                  " is not in the files directory");
    if (!package.sha256.empty() &&
        !NormalizeSha256(text::Utf8ToWide(package.sha256), package.sha256))
        return in.Fail(where + ".sha256", "must be 64 hexadecimal digits");
    // The digest the installer checks every download against: the file's own.
    std::string actual;
    if (!filesDir.empty() && FileIsThere(filesDir, package.downfilename) &&
        FileSha256(text::Utf8ToWide(filesDir + package.downfilename), actual)) {
        if (!package.sha256.empty() && package.sha256 != actual)
            return in.Fail(where + ".sha256",
                           "is not the digest of " + package.downfilename + " (" + actual + ")");
        package.sha256 = actual;
    }
    if (value.isMember("when")) {
        const Json::Value& when = value["when"];
        const std::string at = where + ".when";
        if (!when.isObject())
            return in.Fail(at, "must be an object");
        if (!in.OnlyKeys(when, at, {"netver", "os", "ver", "Net20", "Net40"}))
            return false;
        if ((when.isMember("netver") &&
             !in.StringList(when["netver"], at + ".netver", package.when.netver)) ||
            (when.isMember("os") && !in.StringList(when["os"], at + ".os", package.when.os)) ||
            (when.isMember("ver") && !in.StringList(when["ver"], at + ".ver", package.when.ver)) ||
            !in.OptionalString(when, "Net20", at, package.when.net20) ||
            !in.OptionalString(when, "Net40", at, package.when.net40))
            return false;
        for (const std::string* flag : {&package.when.net20, &package.when.net40})
            if (!flag->empty() && *flag != "Y" && *flag != "N")
                return in.Fail(at, "Net20 and Net40 must be \"Y\" or \"N\"");
    }
    return true;
}

bool ReadShortcut(Reader& in, const Json::Value& value, const std::string& where,
                  Shortcut& shortcut) {
    if (!value.isObject())
        return in.Fail(where, "must be an object");
    Json::Value fields = value;
    if (value.isMember("netver")) {
        if (!in.StringList(value["netver"], where + ".netver", shortcut.netver))
            return false;
        fields.removeMember("netver");
    }
    if (!in.Flat(fields, where, shortcut.fields))
        return false;
    const std::string type = FieldValue(shortcut.fields, "type");
    if (type != "desktop" && type != "menu")
        return in.Fail(where + ".type", "must be \"desktop\" or \"menu\"");
    for (const char* key : {"name", "exename"})
        if (FieldValue(shortcut.fields, key).empty())
            return in.Fail(where, std::string("needs a ") + key);
    for (const char* key : {"type", "name", "icon", "exename"})
        if (!HasField(shortcut.fields, key))
            shortcut.fields.emplace_back(key, "");
    return true;
}

bool ReadApplication(Reader& in, const Json::Value& value, const std::string& where,
                     const std::string& filesDir, Application& app) {
    if (!value.isObject())
        return in.Fail(where, "must be an object");
    if (!in.OnlyKeys(value, where,
                     {"appid", "currentver", "firstpage", "companyname", "servers", "versions",
                      "packages", "shortcuts", "appexe", "appfilesnot"}))
        return false;
    if (!in.OptionalString(value, "appid", where, app.appid) ||
        !in.OptionalString(value, "currentver", where, app.currentVersion))
        return false;
    if (!IsNameToken(app.appid))
        return in.Fail(where + ".appid", "must be 1 to 64 of A-Z a-z 0-9 . _ -");
    if (!in.Flat(value.get("firstpage", Json::objectValue), where + ".firstpage", app.firstPage) ||
        !in.Flat(value.get("companyname", Json::objectValue), where + ".companyname",
                 app.companyName) ||
        !in.FlatList(value["versions"], where + ".versions", app.versions) ||
        !in.FlatList(value["appexe"], where + ".appexe", app.appExe) ||
        !in.FlatList(value["appfilesnot"], where + ".appfilesnot", app.appFilesNot))
        return false;
    if (HasField(app.firstPage, "guid"))
        return in.Fail(where + ".firstpage.guid", "is handed out by the service, not the catalog");
    for (const char* key : {"copyright", "leftjpg"}) {
        if (!HasField(app.firstPage, key))
            continue;
        std::string path = FieldValue(app.firstPage, key);
        if (!path.empty() && path.front() != '/')
            path.insert(path.begin(), '/');
        if (!IsServedPath(path))
            return in.Fail(where + ".firstpage." + key,
                           "must be a path of segments of A-Z a-z 0-9 . _ - (no ..)");
        if (!filesDir.empty() && !FileIsThere(filesDir, path))
            return in.Fail(where + ".firstpage." + key, path + " is not in the files directory");
    }
    if (!app.currentVersion.empty() && !app.versions.empty()) {
        bool listed = false;
        for (const auto& version : app.versions)
            listed = listed || FieldValue(version, "ver") == app.currentVersion;
        if (!listed)
            return in.Fail(where + ".currentver", "is not in versions");
    }
    const auto list = [&](const char* key) -> const Json::Value& {
        static const Json::Value empty(Json::arrayValue);
        return value.isMember(key) ? value[key] : empty;
    };
    for (const char* key : {"servers", "packages", "shortcuts"})
        if (!list(key).isArray())
            return in.Fail(where + "." + key, "must be a list");
    for (Json::ArrayIndex i = 0; i < list("servers").size(); ++i) {
        DownloadServer server;
        if (!ReadServer(in, list("servers")[i], where + ".servers[" + std::to_string(i) + "]",
                        server))
            return false;
        for (const auto& other : app.servers)
            if (other.ip == server.ip)
                return in.Fail(where + ".servers", "ip " + server.ip + " is listed twice");
        app.servers.push_back(server);
    }
    std::set<std::string> ids;
    for (Json::ArrayIndex i = 0; i < list("packages").size(); ++i) {
        Package package;
        const std::string at = where + ".packages[" + std::to_string(i) + "]";
        if (!ReadPackage(in, list("packages")[i], at, filesDir, package))
            return false;
        if (!ids.insert(package.id).second)
            return in.Fail(at + ".id", "is not unique");
        app.packages.push_back(package);
    }
    for (Json::ArrayIndex i = 0; i < list("shortcuts").size(); ++i) {
        Shortcut shortcut;
        if (!ReadShortcut(in, list("shortcuts")[i], where + ".shortcuts[" + std::to_string(i) + "]",
                          shortcut))
            return false;
        app.shortcuts.push_back(shortcut);
    }
    return true;
}

}  // namespace

bool IsValidUtf8(const std::string& value) {
    size_t i = 0;
    while (i < value.size()) {
        const unsigned char c = value[i];
        size_t length = 0;
        unsigned int code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > value.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = value[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        const unsigned int minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool IsAnswerSafe(const std::string& value) {
    for (const unsigned char c : value)
        if (c == '"' || c == '\'' || c < 0x20 || c == 0x7F)
            return false;
    return IsValidUtf8(value);
}

bool IsNameToken(const std::string& value) {
    return !value.empty() && value.size() <= 64 && AllBytesIn(value, "._-");
}

bool IsCredentialToken(const std::string& value) {
    return !value.empty() && value.size() <= 64 && AllBytesIn(value, "._~-");
}

bool IsServedPath(const std::string& value) {
    if (value.size() < 2 || value.size() > 1024 || value.front() != '/')
        return false;
    std::stringstream segments(value.substr(1));
    std::string segment;
    while (std::getline(segments, segment, '/'))
        if (segment.empty() || segment == "." || segment == ".." || !AllBytesIn(segment, "._-"))
            return false;
    return value.back() != '/';
}

bool Catalog::LoadFile(const std::string& path, const std::string& filesDir, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open the catalog " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return LoadText(text.str(), filesDir, error);
}

bool Catalog::LoadText(const std::string& json, const std::string& filesDir, std::string& error) {
    error.clear();
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder.settings_["allowComments"] = true;
    Json::Value root;
    std::string parseErrors;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    bool parsed = false;
    try {
        parsed = reader->parse(json.data(), json.data() + json.size(), &root, &parseErrors);
    } catch (const Json::Exception& e) {
        // The reader throws instead of answering false when the nesting is too deep.
        parseErrors = e.what();
    }
    if (!parsed) {
        error = "catalog is not valid JSON: " + parseErrors;
        return false;
    }
    Reader in(error);
    if (!root.isObject() || !root["companies"].isArray()) {
        in.Fail("catalog", "must be an object with a list \"companies\"");
        return false;
    }
    std::map<std::string, Company> companies;
    const Json::Value& list = root["companies"];
    for (Json::ArrayIndex c = 0; c < list.size(); ++c) {
        const std::string where = "companies[" + std::to_string(c) + "]";
        const Json::Value& value = list[c];
        Company company;
        if (!value.isObject() || !in.OnlyKeys(value, where, {"comname", "applications"}) ||
            !in.OptionalString(value, "comname", where, company.comname)) {
            in.Fail(where, "must be an object with comname and applications");
            return false;
        }
        if (!IsNameToken(company.comname))
            return in.Fail(where + ".comname", "must be 1 to 64 of A-Z a-z 0-9 . _ -");
        if (companies.count(company.comname))
            return in.Fail(where + ".comname", company.comname + " is listed twice");
        const Json::Value& apps = value["applications"];
        if (!apps.isArray())
            return in.Fail(where + ".applications", "must be a list");
        for (Json::ArrayIndex a = 0; a < apps.size(); ++a) {
            Application app;
            if (!ReadApplication(in, apps[a], where + ".applications[" + std::to_string(a) + "]",
                                 filesDir, app))
                return false;
            if (company.applications.count(app.appid))
                return in.Fail(where, "appid " + app.appid + " is listed twice");
            company.applications.emplace(app.appid, std::move(app));
        }
        companies.emplace(company.comname, std::move(company));
    }
    companies_ = std::move(companies);
    filesDir_ = filesDir;
    return true;
}

const Company* Catalog::FindCompany(const std::string& comname) const {
    const auto it = companies_.find(comname);
    return it == companies_.end() ? nullptr : &it->second;
}

const Application* Catalog::FindApplication(const std::string& comname,
                                            const std::string& appid) const {
    const Company* company = FindCompany(comname);
    if (!company)
        return nullptr;
    const auto it = company->applications.find(appid);
    return it == company->applications.end() ? nullptr : &it->second;
}

std::vector<std::pair<std::string, std::string>> Catalog::CredentialsFor(
    const std::string& ip, const std::string& protocol) const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const auto& [comname, company] : companies_)
        for (const auto& [appid, app] : company.applications)
            for (const auto& server : app.servers)
                if (server.ip == ip && (protocol == "http" ? server.http : server.ftp) == "Y")
                    result.emplace_back(server.username, server.password);
    return result;
}

}  // namespace service
