#pragma once
// A flat answer record: string fields in the order the catalog lists them.
#include <string>
#include <utility>
#include <vector>

namespace service {

using FlatRecord = std::vector<std::pair<std::string, std::string>>;

// The value of a field, or empty when the record lacks it.
std::string FieldValue(const FlatRecord& record, const std::string& name);
bool HasField(const FlatRecord& record, const std::string& name);
// Sets a field, replacing its value when it exists.
void SetField(FlatRecord& record, const std::string& name, const std::string& value);

}  // namespace service
