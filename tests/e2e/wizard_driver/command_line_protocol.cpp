#include "wizard_driver/command_line_protocol.h"

#include <windows.h>

#include "platform/text_codec.h"

namespace wizard_driver {

namespace {

bool ReadLine(std::string& line) {
    line.clear();
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        char byte = 0;
        DWORD read = 0;
        if (!ReadFile(input, &byte, 1, &read, nullptr) || read == 0) {
            return !line.empty();
        }
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        line.push_back(byte);
    }
}

void WriteAll(const std::string& bytes) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}

std::string EncodeField(const std::wstring& field) {
    std::string out;
    for (const char c : text::WideToUtf8(field)) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::wstring DecodeField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out.push_back(field[i]);
            continue;
        }
        const char next = field[++i];
        out.push_back(next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next);
    }
    return text::Utf8ToWide(out);
}

}  // namespace

bool ReadRequest(std::vector<std::wstring>& fields) {
    std::string line;
    if (!ReadLine(line)) {
        return false;
    }
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(DecodeField(line.substr(start, tab - start)));
        if (tab == std::string::npos) {
            return true;
        }
        start = tab + 1;
    }
}

void WriteAnswer(const Answer& answer) {
    std::string line = answer.ok ? "OK" : "ERR";
    for (const std::wstring& field : answer.fields) {
        line += '\t';
        line += EncodeField(field);
    }
    line += '\n';
    WriteAll(line);
}

}  // namespace wizard_driver
