#pragma once
// Install.log: UTF-8 with a byte-order mark, one "time TAB message" line per event,
// CR LF line ends on every build. One process-wide lock serialises all writers.
#include <string>
#include <string_view>

namespace install_log {

// The temporary directory + "Install.log": where the install log lives.
std::wstring DefaultPath();

// Empties the file (no byte-order mark yet).
void Truncate(const std::wstring& path);
// Appends "YYYY-MM-DD HH:MM:SS\t" + message + line end. Lines that cannot be written
// are lost silently: the installation goes on.
void AppendLine(const std::wstring& path, std::wstring_view message);
// Appends text as it is, without a timestamp (every LF still becomes CR LF).
void AppendText(const std::wstring& path, std::wstring_view text);

// Replaces secrets by "***", with their keys in any letter case: the value of every
// "password=" parameter (up to the next "&" or the end of the URL: mirror URLs carry the
// deciphered server password), and the values of the answer fields "Password" and
// "rarpass" ('Password':'...' or "rarpass": "..."), which are enciphered under a key
// anyone can derive and so are passwords too. The log is readable by anyone.
std::wstring MaskPasswords(std::wstring_view text);

}  // namespace install_log
