#pragma once
// One answer record of the install service: field name -> value, compared exactly.
// Indexing a missing field inserts it empty, so "missing" and "empty" read alike.
#include <map>
#include <string>
#include <vector>

using ServiceRecord = std::map<std::wstring, std::wstring>;
using ServiceRecordList = std::vector<ServiceRecord>;

// Reads a field without inserting it.
inline std::wstring FieldOf(const ServiceRecord& record, const std::wstring& name) {
    const auto it = record.find(name);
    return it == record.end() ? std::wstring() : it->second;
}
