#pragma once
// The check of a TLS server's certificate that the installer makes itself, once the
// handshake is done and before any request is sent. OpenSSL (the Linux build) verifies
// the chain and the name during the handshake; Schannel (the Windows build) leaves it to
// the system's automatic validation, which Wine does not perform. So the Windows build
// repeats the check with the system's own trust and SSL policy, and under Wine that is
// the only check there is.
#include <string>

namespace platform {

// `schannelContext` is the connection's Schannel security context (a CtxtHandle), null
// when the TLS library is another; `host` is the name or IPv4 address the URL asked for.
// True when the certificate may be trusted for `host`; otherwise `status` says why in a
// few words ("unknown authority", "expired", "wrong name" and the system's code).
bool CheckTlsPeer(void* schannelContext, const std::string& host, std::string& status);

}  // namespace platform
