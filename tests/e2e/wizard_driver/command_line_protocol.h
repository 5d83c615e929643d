#pragma once
// The driver's conversation with the test: one request line in, one answer line out, UTF-8.
// Fields are separated by TAB; a field escapes backslash, TAB, CR and LF as \\, \t, \r and \n
// so that any control text fits on one line.
#include <string>
#include <vector>

namespace wizard_driver {

struct Answer {
    bool ok = true;
    std::vector<std::wstring> fields;

    static Answer Ok(std::vector<std::wstring> fields = {}) { return {true, std::move(fields)}; }
    static Answer Error(std::wstring message) { return {false, {std::move(message)}}; }
};

// Reads the next request from standard input; false at its end.
bool ReadRequest(std::vector<std::wstring>& fields);
// Writes "OK" or "ERR" and the fields as one line to standard output.
void WriteAnswer(const Answer& answer);

}  // namespace wizard_driver
