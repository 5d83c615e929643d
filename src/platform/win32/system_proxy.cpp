#include "platform/system_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <string_view>

#include "platform/text_codec.h"

namespace platform {

namespace {

// WinHTTP hands out its strings with GlobalAlloc; the caller frees them.
std::string TakeString(LPWSTR text) {
    if (text == nullptr)
        return std::string();
    std::string narrow = text::WideToSystem(text);
    GlobalFree(text);
    return narrow;
}

class InternetHandle {
  public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr)
            WinHttpCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }

  private:
    HINTERNET handle_;
};

// Time limits of the script's download: a missing script must not hold the installer up.
constexpr int kAutoConfigTimeoutMs = 5000;

}  // namespace

bool ReadSystemProxySettings(SystemProxySettings& settings) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    settings = SystemProxySettings();
    // Without settings of the user's own the connection is direct: still the system's word.
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return true;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = TakeString(config.lpszAutoConfigUrl);
    settings.proxy = TakeString(config.lpszProxy);
    settings.bypass = TakeString(config.lpszProxyBypass);
    return true;
}

bool FindProxyByAutoConfig(const std::string& url, const std::string& configUrl,
                           std::string& proxyList, std::string& error) {
    proxyList.clear();
    // The script is fetched without a proxy: it is what names the proxy.
    InternetHandle session(WinHttpOpen(L"installer", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.get() == nullptr) {
        error = "WinHttpOpen error " + std::to_string(GetLastError());
        return false;
    }
    WinHttpSetTimeouts(session.get(), kAutoConfigTimeoutMs, kAutoConfigTimeoutMs,
                       kAutoConfigTimeoutMs, kAutoConfigTimeoutMs);
    const std::wstring wideConfigUrl = text::SystemToWide(configUrl);
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (!configUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = wideConfigUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    // WinHTTP asks scripts about HTTP and HTTPS URLs only; an FTP URL is put as HTTP, so
    // that the script's rules for the host still decide.
    static constexpr std::string_view kFtp = "ftp://";
    const std::wstring wideUrl = text::SystemToWide(
        url.compare(0, kFtp.size(), kFtp) == 0 ? "http://" + url.substr(kFtp.size()) : url);
    if (!WinHttpGetProxyForUrl(session.get(), wideUrl.c_str(), &options, &info)) {
        error = "WinHttpGetProxyForUrl error " + std::to_string(GetLastError());
        return false;
    }
    const std::string proxy = TakeString(info.lpszProxy);
    TakeString(info.lpszProxyBypass);
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY)
        proxyList = proxy;
    return true;
}

}  // namespace platform
