#include "flat_record.h"

namespace service {

std::string FieldValue(const FlatRecord& record, const std::string& name) {
    for (const auto& [key, value] : record)
        if (key == name)
            return value;
    return {};
}

bool HasField(const FlatRecord& record, const std::string& name) {
    for (const auto& field : record)
        if (field.first == name)
            return true;
    return false;
}

void SetField(FlatRecord& record, const std::string& name, const std::string& value) {
    for (auto& field : record) {
        if (field.first == name) {
            field.second = value;
            return;
        }
    }
    record.emplace_back(name, value);
}

}  // namespace service
