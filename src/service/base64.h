#pragma once
// Standard base64 (RFC 4648, with padding), as the signed-answer headers carry it.
#include <string>
#include <string_view>

std::string EncodeBase64(std::string_view bytes);
// False for anything but canonical base64: a character outside the alphabet, a length
// that is not a multiple of four, padding other than at the end, or bits left over.
bool DecodeBase64(std::string_view text, std::string& bytes);
