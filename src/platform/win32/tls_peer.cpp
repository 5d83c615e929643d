#include "platform/tls_peer.h"

#define SECURITY_WIN32
#include <windows.h>
// clang-format off
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
// clang-format on
#include <cstdio>
#include <memory>

namespace platform {
namespace {

struct CertificateRelease {
    void operator()(const CERT_CONTEXT* certificate) const {
        CertFreeCertificateContext(certificate);
    }
};
struct ChainRelease {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};

std::string Describe(DWORD error) {
    const char* words = "refused";
    switch (error) {
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
        case static_cast<DWORD>(CERT_E_CHAINING):
        case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
            words = "unknown authority";
            break;
        case static_cast<DWORD>(CERT_E_EXPIRED):
            words = "expired";
            break;
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
            words = "wrong name";
            break;
        case static_cast<DWORD>(CERT_E_WRONG_USAGE):
            words = "not for servers";
            break;
        case static_cast<DWORD>(CRYPT_E_REVOKED):
            words = "revoked";
            break;
        default:
            break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error));
    return std::string(words) + " (" + code + ")";
}

// The four bytes of a dotted IPv4 address, or false for a host name.
bool ParseIpv4(const std::string& host, BYTE (&address)[4]) {
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= host.size() || host[at] != '.')
                return false;
            ++at;
        }
        unsigned value = 0;
        size_t digits = 0;
        while (at < host.size() && host[at] >= '0' && host[at] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(host[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return false;
        address[part] = static_cast<BYTE>(value);
    }
    return at == host.size();
}

// Whether the certificate names `address` among the IP addresses of its subject
// alternative names. The system's SSL policy matches names only, not addresses, under
// Wine: addresses are matched here and the policy checks the rest.
bool NamesAddress(const CERT_CONTEXT* certificate, const BYTE (&address)[4]) {
    const CERT_INFO* info = certificate->pCertInfo;
    const CERT_EXTENSION* extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (extension == nullptr)
        return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                             extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                             &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == 4 &&
                memcmp(entry.IPAddress.pbData, address, 4) == 0;
    }
    LocalFree(names);
    return found;
}

// The fault a chain carries in itself, as the code the SSL policy gives it, or 0. The
// policy should report these too, but Wine's passes a chain that ends before any root.
DWORD ChainFault(const CERT_CHAIN_CONTEXT* chain) {
    const DWORD status = chain->TrustStatus.dwErrorStatus;
    if (status &
        (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_CYCLIC))
        return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        return static_cast<DWORD>(TRUST_E_CERT_SIGNATURE);
    if (status & CERT_TRUST_IS_NOT_TIME_VALID)
        return static_cast<DWORD>(CERT_E_EXPIRED);
    if (status & CERT_TRUST_IS_REVOKED)
        return static_cast<DWORD>(CRYPT_E_REVOKED);
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE)
        return static_cast<DWORD>(CERT_E_WRONG_USAGE);
    return 0;
}

}  // namespace

bool CheckTlsPeer(void* schannelContext, const std::string& host, std::string& status) {
    if (schannelContext == nullptr) {
        status = "no TLS session to check";
        return false;
    }
    const CERT_CONTEXT* remote = nullptr;
    if (QueryContextAttributesA(static_cast<CtxtHandle*>(schannelContext),
                                SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote) != SEC_E_OK ||
        remote == nullptr) {
        status = "the server sent no certificate";
        return false;
    }
    const std::unique_ptr<const CERT_CONTEXT, CertificateRelease> certificate(remote);

    // The chain, from the certificate and what the server sent with it up to a root of the
    // user's and the machine's stores.
    LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH),
                      const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                      const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = ARRAYSIZE(usages);
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    const CERT_CHAIN_CONTEXT* built = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore,
                                 &chainPara, 0, nullptr, &built)) {
        status = "no chain: " + Describe(GetLastError());
        return false;
    }
    const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainRelease> chain(built);
    if (const DWORD fault = ChainFault(chain.get())) {
        status = Describe(fault);
        return false;
    }

    BYTE address[4] = {};
    const bool isAddress = ParseIpv4(host, address);
    const std::wstring wideHost(host.begin(), host.end());  // host names are ASCII here
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    // Without a name the policy checks the chain only; addresses are matched below.
    ssl.pwszServerName = isAddress ? nullptr : const_cast<wchar_t*>(wideHost.c_str());
    CERT_CHAIN_POLICY_PARA policyPara = {};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS policyStatus = {};
    policyStatus.cbSize = sizeof policyStatus;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara,
                                          &policyStatus)) {
        status = "policy not applied: " + Describe(GetLastError());
        return false;
    }
    if (policyStatus.dwError != 0) {
        status = Describe(policyStatus.dwError);
        return false;
    }
    if (isAddress && !NamesAddress(certificate.get(), address)) {
        status = Describe(static_cast<DWORD>(CERT_E_CN_NO_MATCH));
        return false;
    }
    return true;
}

}  // namespace platform
