#pragma once
// Answers of the install service: "OK" followed by a JSON array of flat objects, or
// "ER" followed by a message.
//
// The installer's reader turns every apostrophe into a double quote and takes every
// backslash literally, so values are written without any JSON escaping: they must hold
// no quote, no apostrophe and no control character (the catalog refuses such values).
// Every object carries the same field names, in the same order, as the installer reads
// later objects by the names of the first.
#include <string>
#include <vector>

#include "flat_record.h"

namespace service {

std::string OkAnswer(const std::vector<FlatRecord>& records);
std::string ErrorAnswer(const std::string& message);

// A request value made fit to be quoted in a message or a log line: printable ASCII,
// at most `limit` characters, anything else as "?".
std::string Printable(const std::string& value, size_t limit = 64);

}  // namespace service
