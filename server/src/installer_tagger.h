#pragma once
// Stamps a signed installer.exe with the application it installs, without breaking its
// signature: the tag goes into a certificate of its own in the signature's certificate
// set, which the signature does not cover (the installer reads it at start).
#include <string>

namespace service {

// `tagged` = `signedExe` with `tag` as its only tag (one already there is replaced); the
// signer's information is left as it is. False with `error` when the file is no PE file
// with an Authenticode signature at its end.
bool TagInstaller(const std::string& signedExe, const std::string& tag, std::string& tagged,
                  std::string& error);

// "install-service tag --in FILE --out FILE --tag TEXT [--unchecked]"; the exit code.
int RunTagCommand(int argc, char** argv);

}  // namespace service
