#pragma once
// Where the downloaded packages lie: the steps find a package at the prefix followed by
// its file name.
#include <string>

// The download directory with one separator appended (also when it ends in one). Windows
// lowers the letters A-Z, which its file systems ignore anyway; Linux keeps the case,
// because there another case names another file.
std::wstring DownloadPrefix(const std::wstring& downloadPath);
