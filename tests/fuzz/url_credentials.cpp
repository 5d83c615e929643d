// Credentials split off download URLs before they reach libcurl and the log.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/url_credentials.h"
#include "fuzz_check.h"

namespace {

// The authority of a URL after its scheme: up to the first "/", "?" or "#".
std::string_view Authority(std::string_view afterScheme) {
    return afterScheme.substr(0, afterScheme.find_first_of("/?#"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const UrlCredentials split = SplitUrlCredentials(url);

    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        FUZZ_CHECK(split.url == "http://" + std::string(url));
        FUZZ_CHECK(split.user.empty() && split.password.empty());
        return 0;
    }
    if (split.user.empty()) {
        // Nothing taken off: the URL stays whole.
        FUZZ_CHECK(split.url == url && split.password.empty());
        return 0;
    }
    // Only credentials come off: the scheme, path and query stay as they were (an "@"
    // in a path must not move the host), and no credentials stay in the host part that
    // is sent and logged.
    const std::string_view scheme = url.substr(0, schemeEnd + 3);
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::string_view left = std::string_view(split.url).substr(scheme.size());
    FUZZ_CHECK(split.url.compare(0, scheme.size(), scheme) == 0);
    FUZZ_CHECK(left.substr(Authority(left).size()) == rest.substr(Authority(rest).size()));
    FUZZ_CHECK(Authority(left).find('@') == std::string_view::npos);
    return 0;
}
