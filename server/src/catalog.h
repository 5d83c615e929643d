#pragma once
// The catalog: per company and application, everything the install service answers.
// Loaded once from a JSON file and checked so that every answer it yields keeps the
// installer's answer contract (see answer_writer.h).
#include <map>
#include <string>
#include <vector>

#include "flat_record.h"

namespace service {

struct DownloadServer {
    std::string ip;    // host or host:port, as the installer uses it in URLs
    std::string http;  // "Y" or "N"
    std::string ftp;   // "Y" or "N"
    std::string username;
    std::string password;  // clear; enciphered per answer
};

// A package is offered when every condition that is set matches the request.
struct PackageCondition {
    std::vector<std::string> netver;
    std::vector<std::string> os;
    std::vector<std::string> ver;
    std::string net20;  // "Y", "N" or empty (any)
    std::string net40;
};

struct Package {
    std::string id;
    std::string filename;
    std::string downfilename;  // always begins with "/"
    std::string filesize;      // KiB; empty: taken from the file
    std::string ver;
    std::string rarpath;
    std::string haveexistsdown;
    std::string setupparam;
    std::string password;  // clear archive password; empty for none
    // Lower-case hex SHA-256 of the file: stated by the catalog or read from the files
    // directory at load; empty when neither.
    std::string sha256;
    PackageCondition when;
};

struct Shortcut {
    std::vector<std::string> netver;  // empty: every runtime generation
    FlatRecord fields;                // type, name, icon, exename
};

struct Application {
    std::string appid;
    std::string currentVersion;
    FlatRecord firstPage;
    FlatRecord companyName;
    std::vector<DownloadServer> servers;
    std::vector<FlatRecord> versions;
    std::vector<Package> packages;
    std::vector<Shortcut> shortcuts;
    std::vector<FlatRecord> appExe;
    std::vector<FlatRecord> appFilesNot;
};

struct Company {
    std::string comname;
    std::map<std::string, Application> applications;
};

class Catalog {
  public:
    // Reads and checks the catalog. `filesDir` (may be empty) is the directory the
    // mirrors serve; when given, the files the catalog names must be there.
    bool LoadFile(const std::string& path, const std::string& filesDir, std::string& error);
    bool LoadText(const std::string& json, const std::string& filesDir, std::string& error);

    const Company* FindCompany(const std::string& comname) const;
    const Application* FindApplication(const std::string& comname, const std::string& appid) const;
    const std::map<std::string, Company>& Companies() const { return companies_; }
    const std::string& FilesDir() const { return filesDir_; }

    // Every (username, password) of the servers listed under `ip` for a protocol
    // ("http" or "ftp"), over all applications.
    std::vector<std::pair<std::string, std::string>> CredentialsFor(
        const std::string& ip, const std::string& protocol) const;

  private:
    std::map<std::string, Company> companies_;
    std::string filesDir_;
};

// Checks used by the catalog and by request handling.
bool IsAnswerSafe(const std::string& value);       // no quote, apostrophe, control byte
bool IsNameToken(const std::string& value);        // [A-Za-z0-9._-]+, at most 64
bool IsCredentialToken(const std::string& value);  // [A-Za-z0-9._~-]+, at most 64
bool IsServedPath(const std::string& value);       // "/" + segments of [A-Za-z0-9._-]
bool IsValidUtf8(const std::string& value);

}  // namespace service
