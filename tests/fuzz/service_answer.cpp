// An install service answer as it arrives: the body bytes, the "OK"/"ER" envelope, the
// JSON records with their apostrophe and backslash rules, and the enciphered fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/text_codec.h"
#include "service/field_cipher.h"
#include "service/http_transport.h"
#include "service/kzq_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::wstring answer = DecodeServiceAnswer(body);
    if (answer.compare(0, 2, L"OK") != 0)
        return 0;

    const std::wstring wrapped = WrapArrayAnswer(std::wstring_view(answer).substr(2));
    const ServiceRecordList records = ParseRecords(wrapped);
    for (const ServiceRecord& record : records)
        for (const wchar_t* enciphered : {L"rarpass", L"Password"})
            DecryptField(text::WideToSystem(FieldOf(record, enciphered)), "0123ABCD");

    // The table view the records come from: one record per row, and every cell readable
    // by its field name.
    CKzqJson table;
    table.Parse(text::WideToSystem(wrapped));
    FUZZ_CHECK(records.size() == static_cast<size_t>(table.rowCount));
    for (int32_t row = 1; row <= table.rowCount; ++row)
        for (uint32_t field = 0; field < table.fieldCount; ++field)
            table.GetValue(row, table.GetFieldName(field));
    FUZZ_CHECK(table.GetValue(table.rowCount + 1, "x") == "-1");
    return 0;
}
