#pragma once
// The command line that opens a link with the program registered for web pages.
#include <string>

namespace controls {

// The registered command cut before its "%1" placeholder (quoted or not; the whole
// command when it has none), then the target in double quotes.
std::wstring HtmHandlerCommand(const std::wstring& registered, const std::wstring& target);

}  // namespace controls
