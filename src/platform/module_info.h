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
// The public keys of the service's signing keys that the installer was built with (PEM
// text, the "ANSWERKEYS" resource on Windows); empty when it was built without any.
std::string ReadBuiltInAnswerKeys();

}  // namespace platform
