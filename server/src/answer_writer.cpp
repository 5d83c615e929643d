#include "answer_writer.h"

#include <algorithm>

namespace service {

std::string OkAnswer(const std::vector<FlatRecord>& records) {
    // Field names of all records in first-seen order: a record that lacks one gets it empty.
    std::vector<std::string> names;
    for (const auto& record : records)
        for (const auto& field : record)
            if (std::find(names.begin(), names.end(), field.first) == names.end())
                names.push_back(field.first);
    std::string out = "OK[";
    for (size_t r = 0; r < records.size(); ++r) {
        out += r ? ",{" : "{";
        for (size_t n = 0; n < names.size(); ++n) {
            out += n ? ",\"" : "\"";
            out += names[n];
            out += "\":\"";
            out += FieldValue(records[r], names[n]);
            out += '"';
        }
        out += '}';
    }
    out += ']';
    return out;
}

std::string ErrorAnswer(const std::string& message) {
    return "ER " + Printable(message, 200);
}

std::string Printable(const std::string& value, size_t limit) {
    std::string out;
    for (const unsigned char c : value) {
        if (out.size() >= limit) {
            out += "...";
            break;
        }
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace service
