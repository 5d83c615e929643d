#pragma once
// Turns the JSON payload of an "OK" answer into records. The service answers with an
// array of flat objects whose members are strings; it may quote with apostrophes and
// uses backslashes as plain characters (Windows paths), never as JSON escapes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/service_record.h"

// Apostrophes become double quotes, then the payload is wrapped as {"Array":payload}.
std::wstring WrapArrayAnswer(std::wstring_view payload);

// One record per element of the wrapped array, field names and values as the table view
// below reads them. Never throws.
//
// Answers outside the contract give these results:
//  - empty or non-JSON payload: no records;
//  - JSON that turns invalid part-way: the elements read before the error (an element cut
//    short keeps the members read so far);
//  - elements that are not objects: an empty record each (when the first element is not
//    an object, every record is empty: the field names come from the first element);
//  - later elements lacking a field of the first: that field is empty;
//  - a non-string value: the styled text of the value less its first and last two
//    characters (the number 123 reads "2", null "ul", true "ru").
ServiceRecordList ParseRecords(std::wstring_view wrappedPayload);

// A table view of a parsed document: row 0 holds the field names of the first element of
// the first non-empty root member, rows 1..rowCount the values (system code page text).
class CKzqJson {
  public:
    virtual ~CKzqJson() = default;

    // Rebuilds the table. Backslashes stand for themselves.
    void Parse(std::string_view document);

    // The name of field `index`, or the empty text past the last field.
    std::string GetFieldName(uint32_t index) const;
    // Field `name` (ASCII letters compared without case, last match wins) of 1-based
    // `row`: "exile FieldName" for an empty name, "-1" for a row past the last or a
    // table without fields, the empty text for an unknown name.
    std::string GetValue(int32_t row, std::string_view name) const;
    // GetValue(currentRow, GetFieldName(index)).
    std::string GetFieldValue(uint32_t index) const;

    int32_t rowCount = 0;
    uint32_t fieldCount = 0;
    int32_t currentRow = 1;
    std::vector<std::vector<std::string>> table;
};
