#pragma once
// "install-service report": the install funnel from the database or from JSON-lines
// event logs.
#include <iosfwd>
#include <string>
#include <vector>

namespace service {

// The words after "report"; prints to `out`, complaints to `err`; the exit code.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace service
