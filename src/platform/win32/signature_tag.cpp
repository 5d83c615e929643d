#include "platform/signature_tag.h"

#include <windows.h>
// clang-format off
#include <wincrypt.h>
// clang-format on

namespace platform {

bool ReadSignatureTag(const std::wstring& path, std::string& tag) {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    // The signature embedded in the PE file, and the store of its certificate set.
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, nullptr, nullptr, nullptr, &store, &message, nullptr))
        return false;
    bool found = false;
    PCCERT_CONTEXT certificate = nullptr;
    while (!found && (certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
        const CERT_INFO* info = certificate->pCertInfo;
        const CERT_EXTENSION* extension =
            CertFindExtension(kInstallerTagOid, info->cExtension, info->rgExtension);
        if (extension == nullptr)
            continue;
        tag.assign(reinterpret_cast<const char*>(extension->Value.pbData), extension->Value.cbData);
        found = true;
    }
    if (certificate != nullptr)
        CertFreeCertificateContext(certificate);
    CryptMsgClose(message);
    CertCloseStore(store, 0);
    return found;
}

}  // namespace platform
