#include "installer_downloads.h"

#include "app/hex_digit.h"
#include "installer_tagger.h"
#include "platform/crypto.h"

namespace service {

std::string InstallerDownloads::TagFor(const std::string& comname, const std::string& appid) {
    return "comname=" + comname + ";appid=" + appid;
}

bool InstallerDownloads::Check(std::string& error) const {
    std::string tagged;
    return TagInstaller(signedExe_, TagFor("comname", "appid"), tagged, error);
}

bool InstallerDownloads::Find(const std::string& comname, const std::string& appid,
                              TaggedInstaller& installer) {
    if (catalog_.FindApplication(comname, appid) == nullptr)
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    auto& cached = cache_[{comname, appid}];
    if (!cached.bytes) {
        auto bytes = std::make_shared<std::string>();
        std::string error;
        if (!TagInstaller(signedExe_, TagFor(comname, appid), *bytes, error))
            return false;  // Check() passed at start, so this is libcrypto failing
        platform::Sha256 hash;
        hash.Update(bytes->data(), bytes->size());
        uint8_t digest[platform::Sha256::kDigestSize];
        if (!hash.Finish(digest))
            return false;
        cached.etag = "\"" + LowerHex(digest, sizeof digest) + "\"";
        cached.bytes = std::move(bytes);
    }
    installer = cached;
    return true;
}

}  // namespace service
