#include "platform/system_proxy.h"

namespace platform {

// libcurl reads http_proxy, https_proxy, ftp_proxy, all_proxy and no_proxy itself.
bool ReadSystemProxySettings(SystemProxySettings& /*settings*/) {
    return false;
}

bool FindProxyByAutoConfig(const std::string& /*url*/, const std::string& /*configUrl*/,
                           std::string& proxyList, std::string& error) {
    proxyList.clear();
    error = "no auto-configuration on this system";
    return false;
}

}  // namespace platform
