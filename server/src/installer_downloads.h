#pragma once
// The company's signed installer.exe, tagged for each application of the catalog, for the
// download site: the bytes of each application are made once and kept.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "catalog.h"

namespace service {

struct TaggedInstaller {
    std::shared_ptr<const std::string> bytes;
    std::string etag;  // quoted, from the bytes' SHA-256
};

class InstallerDownloads {
  public:
    InstallerDownloads(const Catalog& catalog, std::string signedExe)
        : catalog_(catalog), signedExe_(std::move(signedExe)) {}

    // False with `error` when the file cannot be tagged (no signed PE file).
    bool Check(std::string& error) const;
    // The installer of a catalog application; false when the catalog has none of that name.
    bool Find(const std::string& comname, const std::string& appid, TaggedInstaller& installer);

    // The words the installer of an application carries.
    static std::string TagFor(const std::string& comname, const std::string& appid);

  private:
    const Catalog& catalog_;
    const std::string signedExe_;
    std::mutex lock_;
    std::map<std::pair<std::string, std::string>, TaggedInstaller> cache_;
};

}  // namespace service
