#include "platform/signature_tag.h"

#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <fstream>
#include <iterator>

#include "platform/pe_certificate_table.h"
#include "platform/text_codec.h"

namespace platform {

bool ReadSignatureTag(const std::wstring& path, std::string& tag) {
    std::ifstream in(text::WideToSystem(path), std::ios::binary);
    // Only a Windows program can carry a signature: the Linux installer's own file is not
    // read any further.
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'M' || magic[1] != 'Z' || !in.seekg(0))
        return false;
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pe::CertificateTable table;
    if (!pe::FindCertificateTable(file, table))
        return false;
    const auto* der = reinterpret_cast<const unsigned char*>(file.data()) + table.signatureOffset;
    PKCS7* signature = d2i_PKCS7(nullptr, &der, static_cast<long>(table.signatureSize));
    ASN1_OBJECT* oid = OBJ_txt2obj(kInstallerTagOid, 1);
    bool found = false;
    if (signature != nullptr && oid != nullptr && PKCS7_type_is_signed(signature)) {
        STACK_OF(X509)* certificates = signature->d.sign->cert;
        for (int i = 0; !found && i < sk_X509_num(certificates); ++i) {
            X509* certificate = sk_X509_value(certificates, i);
            const int at = X509_get_ext_by_OBJ(certificate, oid, -1);
            if (at < 0)
                continue;
            const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(X509_get_ext(certificate, at));
            tag.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                       static_cast<size_t>(ASN1_STRING_length(value)));
            found = true;
        }
    }
    ASN1_OBJECT_free(oid);
    PKCS7_free(signature);
    return found;
}

}  // namespace platform
