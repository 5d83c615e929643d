#include "event_log.h"

#include <ctime>
#include <memory>
#include <random>

#include "platform/file.h"
#include "platform/text_codec.h"

namespace service {

void StampEvent(Json::Value& event) {
    if (!event.isMember("time")) {
        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        event["time"] = stamp;
    }
    if (!event.isMember("id"))
        event["id"] = NewInstallationId();
}

std::string EventLine(const Json::Value& event) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, event) + "\n";
}

bool IsEventTime(const std::string& text) {
    static const char kForm[] = "0000-00-00T00:00:00Z";
    if (text.size() != sizeof kForm - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == '0' ? !digit : text[i] != kForm[i])
            return false;
    }
    return true;
}

bool ParseEventLine(const std::string& line, Json::Value& event) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    event = Json::Value();
    if (!reader->parse(line.data(), line.data() + line.size(), &event, &errors) ||
        !event.isObject())
        return false;
    return event["event"].isString() && event["time"].isString() &&
           IsEventTime(event["time"].asString());
}

bool EventLog::Append(Json::Value event) {
    if (path_.empty())
        return true;
    StampEvent(event);
    const std::string line = EventLine(event);
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
