#pragma once
// The words of an installer's tag ("comname=Vornel;appid=qz"). The tag lies outside what
// the signature covers, so anybody can change it: it may name the company, the
// application and the version, never the servers or anything else.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

using StartupWord = std::pair<std::wstring, std::wstring>;

inline constexpr size_t kMaxInstallerTagBytes = 1024;

// The key=value words of `tag` (split as the command line is). False with `problem` set
// when the tag is longer than kMaxInstallerTagBytes, is not UTF-8, names a key other
// than comname, appid and --ver, or has a value with a character other than
// A-Z a-z 0-9 . _ -; then none of its words counts.
bool ParseInstallerTag(const std::string& tag, std::vector<StartupWord>& words,
                       std::wstring& problem);

// key=value words separated by ";": runs of ";" separate, nothing is trimmed; a word
// without "=" has the empty key.
std::vector<StartupWord> SplitStartupWords(const std::wstring& text);
