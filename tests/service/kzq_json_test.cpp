// Answer payloads into records: the contract of the service and what comes out of
// payloads that break it.
#include <gtest/gtest.h>

#include "service/kzq_json.h"

namespace {

ServiceRecordList Parse(const std::wstring& payload) {
    return ParseRecords(WrapArrayAnswer(payload));
}

TEST(WrapArrayAnswer, TurnsApostrophesIntoQuotes) {
    EXPECT_EQ(WrapArrayAnswer(L"[{'a':'b'}]"), L"{\"Array\":[{\"a\":\"b\"}]}");
    EXPECT_EQ(WrapArrayAnswer(L""), L"{\"Array\":}");
}

TEST(ParseRecords, Payloads) {
    const struct {
        const char* name;
        std::wstring payload;
        ServiceRecordList expected;
    } cases[] = {
        {"empty array", L"[]", {}},
        {"empty payload", L"", {}},
        {"not JSON", L"<html>hello</html>", {}},
        {"apostrophes", L"[{'name':'qz','ver':'1.2'}]", {{{L"name", L"qz"}, {L"ver", L"1.2"}}}},
        {"double quotes", L"[{\"a\":\"1\"},{\"a\":\"2\"}]", {{{L"a", L"1"}}, {{L"a", L"2"}}}},
        {"backslashes stand for themselves",
         L"[{'path':'C:\\Program Files\\qz\\','unc':'\\\\srv\\share','esc':'\\u4e2d\\n'}]",
         {{{L"path", L"C:\\Program Files\\qz\\"},
           {L"unc", L"\\\\srv\\share"},
           {L"esc", L"\\u4e2d\\n"}}}},
        {"names differing in case take the later field",
         L"[{'Ver':'upper','ver':'lower'}]",
         {{{L"Ver", L"lower"}, {L"ver", L"lower"}}}},
        {"control character as the writer escapes it", L"[{'t':'a\tb'}]", {{{L"t", L"a\\tb"}}}},
        {"non-ASCII text kept",
         L"[{'title':'\u534E\u6587\u4E2D\u5B8B'}]",
         {{{L"title", L"\u534E\u6587\u4E2D\u5B8B"}}}},
        {"number", L"[{'n':123,'s':'x'}]", {{{L"n", L"2"}, {L"s", L"x"}}}},
        {"null and true", L"[{'a':null,'b':true}]", {{{L"a", L"ul"}, {L"b", L"ru"}}}},
        {"empty field name", L"[{'':'v'}]", {{{L"", L"exile FieldName"}}}},
        {"invalid part-way keeps what was read",
         L"[{'a':'1'},{'a':'2'},{'a' '3'}]",
         {{{L"a", L"1"}}, {{L"a", L"2"}}, {{L"a", L""}}}},
        {"cut short",
         L"[{'a':'1','b':'2'},{'a':'3'",
         {{{L"a", L"1"}, {L"b", L"2"}}, {{L"a", L"3"}, {L"b", L""}}}},
        {"array of strings", L"['x','y']", {{}, {}}},
        {"non-object after an object",
         L"[{'a':'1'},'y',7]",
         {{{L"a", L"1"}}, {{L"a", L""}}, {{L"a", L""}}}},
        {"later element lacks a field",
         L"[{'a':'1','b':'2'},{'b':'3'}]",
         {{{L"a", L"1"}, {L"b", L"2"}}, {{L"a", L""}, {L"b", L"3"}}}},
        {"later element has more fields",
         L"[{'a':'1'},{'a':'2','z':'9'}]",
         {{{L"a", L"1"}}, {{L"a", L"2"}}}},
        {"object instead of array",
         L"{'k1':{'a':'1'},'k2':{'a':'2'}}",
         {{{L"a", L"1"}}, {{L"a", L"2"}}}},
        {"bare string", L"'just text'", {}},
        {"number instead of array", L"42", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Parse(c.payload), c.expected);
    }
}

TEST(ParseRecords, DeepNestingDoesNotCrash) {
    const std::wstring deep = std::wstring(20000, L'[') + std::wstring(20000, L']');
    const ServiceRecordList records = Parse(deep);
    // The reader gives up at its depth limit; the outer array has one non-object element.
    EXPECT_LE(records.size(), 1U);
    for (const ServiceRecord& record : records)
        EXPECT_TRUE(record.empty());
}

TEST(CKzqJson, GetValueRules) {
    CKzqJson json;
    json.Parse("{\"Array\":[{\"Name\":\"n1\",\"ver\":\"v1\"},{\"Name\":\"n2\",\"ver\":\"v2\"}]}");
    ASSERT_EQ(json.rowCount, 2);
    ASSERT_EQ(json.fieldCount, 2U);
    EXPECT_EQ(json.GetFieldName(0), "Name");  // member order: ascending bytes
    EXPECT_EQ(json.GetFieldName(1), "ver");
    EXPECT_EQ(json.GetFieldName(2), "");
    EXPECT_EQ(json.GetValue(1, "NAME"), "n1");
    EXPECT_EQ(json.GetValue(2, "Ver"), "v2");
    EXPECT_EQ(json.GetValue(2, "missing"), "");
    EXPECT_EQ(json.GetValue(3, "name"), "-1");
    EXPECT_EQ(json.GetValue(-1, "name"), "-1");
    EXPECT_EQ(json.GetValue(1, ""), "exile FieldName");
    json.currentRow = 2;
    EXPECT_EQ(json.GetFieldValue(0), "n2");

    // Parsing again replaces the table; a table without fields answers "-1".
    json.Parse("{\"Array\":[]}");
    EXPECT_EQ(json.rowCount, 0);
    EXPECT_EQ(json.GetValue(0, "name"), "-1");
}

}  // namespace
