#pragma once
// Install.log: UTF-8 with a byte-order mark, one "time TAB message" line per event,
// CR LF line ends on every build. One process-wide lock serialises all writers.
#include <string>
#include <string_view>

namespace install_log {

// Empties the file (no byte-order mark yet).
void Truncate(const std::wstring& path);
// Appends "YYYY-MM-DD HH:MM:SS\t" + message + line end. Lines that cannot be written
// are lost silently: the installation goes on.
void AppendLine(const std::wstring& path, std::wstring_view message);
// Appends text as it is, without a timestamp (every LF still becomes CR LF).
void AppendText(const std::wstring& path, std::wstring_view text);

// Replaces the value of every "password=" query parameter by "***": mirror URLs carry
// the deciphered server password and the log is readable by anyone with the file.
std::wstring MaskPasswords(std::wstring_view text);

}  // namespace install_log
