#include "service/kzq_json.h"

#include <json/json.h>

#include <exception>

#include "platform/text_codec.h"

namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    while (true) {
        const size_t found = text.find(from, start);
        if (found == std::string_view::npos)
            break;
        out.append(text.substr(start, found - start));
        out.append(to);
        start = found + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// Each backslash of the answer is doubled twice before parsing so that it survives the
// reader and the writer as one literal character; this undoes the writer's half.
std::string CollapseBackslashes(std::string_view text) {
    return ReplaceAll(text, "\\\\\\\\", "\\");
}

// The string as the styled writer quotes it, without the quotes. Bytes from 0x80 up are
// kept as they are: they are system code page text, which the writer would mangle into
// \u escapes of wrongly decoded UTF-8.
std::string EscapeLikeStyledWriter(const std::string& value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size() + 8);
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out.push_back(kHex[byte >> 4]);
                    out.push_back(kHex[byte & 0xF]);
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

// The styled text of the value less its first character and its last two (the quotes
// and line break of a string), backslash groups collapsed.
std::string CellText(const Json::Value& value) {
    if (value.isString())
        return CollapseBackslashes(EscapeLikeStyledWriter(value.asString()));
    const std::string styled = value.toStyledString();
    if (styled.size() < 3)
        return {};
    return CollapseBackslashes(std::string_view(styled).substr(1, styled.size() - 3));
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The elements of a root member: an array's elements, an object's member values.
std::vector<Json::Value> ElementsOf(const Json::Value& value) {
    std::vector<Json::Value> elements;
    if (value.isArray()) {
        for (Json::ArrayIndex i = 0; i < value.size(); ++i)
            elements.push_back(value[i]);
    } else if (value.isObject()) {
        for (const std::string& name : value.getMemberNames())
            elements.push_back(value[name]);
    }
    return elements;
}

}  // namespace

std::wstring WrapArrayAnswer(std::wstring_view payload) {
    std::wstring quoted(payload);
    for (wchar_t& c : quoted) {
        if (c == L'\'')
            c = L'"';
    }
    return L"{\"Array\":" + quoted + L"}";
}

void CKzqJson::Parse(std::string_view document) {
    table.clear();
    rowCount = 0;
    fieldCount = 0;

    const std::string doubled = ReplaceAll(document, "\\", "\\\\\\\\");
    Json::Value root;
    try {
        // The reader's verdict is not needed: whatever it built before an error is used.
        Json::Reader reader;
        reader.parse(doubled, root);
    } catch (const std::exception&) {
        // Nesting beyond the reader's depth limit: keep the part it built.
    }

    try {
        if (!root.isObject())
            return;
        for (const std::string& member : root.getMemberNames()) {
            const std::vector<Json::Value> elements = ElementsOf(root[member]);
            if (elements.empty())
                continue;

            // Field names come from the first element; later elements are read by them.
            std::vector<std::string> names;
            if (elements.front().isObject())
                names = elements.front().getMemberNames();
            fieldCount = static_cast<uint32_t>(names.size());
            rowCount = static_cast<int32_t>(elements.size());
            table.assign(elements.size() + 1, std::vector<std::string>(names.size()));
            for (size_t k = 0; k < names.size(); ++k)
                table[0][k] = CollapseBackslashes(names[k]);
            for (size_t j = 0; j < elements.size(); ++j) {
                const Json::Value& element = elements[j];
                if (!element.isObject())
                    continue;
                for (size_t k = 0; k < names.size(); ++k) {
                    if (element.isMember(names[k]))
                        table[j + 1][k] = CellText(element[names[k]]);
                }
            }
            return;
        }
    } catch (const std::exception&) {
        table.clear();
        rowCount = 0;
        fieldCount = 0;
    }
}

std::string CKzqJson::GetFieldName(uint32_t index) const {
    if (index >= fieldCount || table.empty())
        return {};
    return table[0][index];
}

std::string CKzqJson::GetValue(int32_t row, std::string_view name) const {
    const std::string wanted = LowerAscii(name);
    if (wanted.empty())
        return "exile FieldName";
    if (row > rowCount || row < 0)
        return "-1";
    if (fieldCount == 0)
        return "-1";
    const std::vector<std::string>& names = table[0];
    size_t match = names.size();
    for (size_t k = 0; k < names.size(); ++k) {
        if (LowerAscii(names[k]) == wanted)
            match = k;
    }
    if (match == names.size())
        return {};
    return table[static_cast<size_t>(row)][match];
}

std::string CKzqJson::GetFieldValue(uint32_t index) const {
    return GetValue(currentRow, GetFieldName(index));
}

ServiceRecordList ParseRecords(std::wstring_view wrappedPayload) {
    CKzqJson json;
    json.Parse(text::WideToSystem(wrappedPayload));
    json.currentRow = 1;
    ServiceRecordList records;
    records.reserve(static_cast<size_t>(json.rowCount));
    for (int32_t row = 1; row <= json.rowCount; ++row) {
        ServiceRecord record;
        for (uint32_t i = 0; i < json.fieldCount; ++i)
            record[text::SystemToWide(json.GetFieldName(i))] =
                text::SystemToWide(json.GetFieldValue(i));
        records.push_back(std::move(record));
        ++json.currentRow;
    }
    return records;
}
