#pragma once
// Facts about the running executable itself.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Full path of the installer's own file.
std::wstring GetModuleFilePath();
// The VS_VERSIONINFO block of a file's version resource; false when it has none.
// On Linux the installer carries the block built from the same resource script,
// so asking for the installer's own file answers with that block.
bool ReadVersionInfoBlock(const std::wstring& path, std::vector<uint8_t>& block);

}  // namespace platform
