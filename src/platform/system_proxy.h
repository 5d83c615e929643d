#pragma once
// The user's proxy settings as the system keeps them, and the system's answer for one URL
// from an auto-configuration (PAC) script or from auto-detection (WPAD). Windows reads
// them through WinHTTP; Linux keeps none (libcurl reads the proxy environment variables
// there itself).
#include <string>

namespace platform {

struct SystemProxySettings {
    bool autoDetect = false;
    std::string autoConfigUrl;  // the PAC script's URL, or empty
    std::string proxy;          // the manual proxy list ("host:port", "http=…;https=…")
    std::string bypass;         // its bypass list
};

// False when the system keeps no proxy settings of its own (Linux).
bool ReadSystemProxySettings(SystemProxySettings& settings);

// The proxy list that the script at `configUrl` (by auto-detection when empty) gives for
// `url`: true with `proxyList` (empty for a direct connection); false with `error` saying
// why in a few words. May take seconds.
bool FindProxyByAutoConfig(const std::string& url, const std::string& configUrl,
                           std::string& proxyList, std::string& error);

}  // namespace platform
