#include "event_log.h"

#include <ctime>
#include <random>

#include "platform/file.h"
#include "platform/text_codec.h"

namespace service {

bool EventLog::Append(Json::Value event) {
    if (path_.empty())
        return true;
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    event["time"] = stamp;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    const std::string line = Json::writeString(builder, event) + "\n";
    std::lock_guard<std::mutex> guard(lock_);
    platform::File file;
    if (!file.Open(text::Utf8ToWide(path_), platform::File::Mode::Append))
        return false;
    return file.Write(line.data(), line.size());
}

std::string NewInstallationId() {
    thread_local std::mt19937_64 generator([] {
        std::random_device device;
        return (static_cast<uint64_t>(device()) << 32) ^ device();
    }());
    static const char kDigits[] = "0123456789ABCDEF";
    std::string id;
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20)
            id += '-';
        id += kDigits[generator() & 0xF];
    }
    return id;
}

bool IsInstallationId(const std::string& value) {
    if (value.size() != 36)
        return false;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

}  // namespace service
