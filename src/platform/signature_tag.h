#pragma once
// The tag a download site stamps into a signed installer: a certificate of its own in the
// certificate set of the Authenticode signature, which the signature does not cover, so
// the file stays validly signed. The certificate carries the tag as the value of an
// extension of the project's own object identifier.
#include <string>

namespace platform {

// The extension that carries the tag (an arc of the project's own).
inline constexpr char kInstallerTagOid[] = "1.3.6.1.4.1.61839.27.1";

// The tag in the signature of the file at `path`, as the bytes stored. False when the file
// is not signed, its signature cannot be read, or no certificate of it carries a tag.
bool ReadSignatureTag(const std::wstring& path, std::string& tag);

}  // namespace platform
