#include "installer_tagger.h"

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <iostream>
#include <iterator>

#include "app/installer_tag.h"
#include "platform/pe_certificate_table.h"
#include "platform/signature_tag.h"
#include "platform/text_codec.h"

namespace service {
namespace {

constexpr size_t kEntryHeader = 8;
constexpr size_t kAlignment = 8;

// The certificate carrying the tag. Its key and dates are fixed, so that one tag gives the
// same bytes every time (the download's ETag); Ed25519 signs deterministically. Nobody
// trusts this certificate: it is only a container.
X509* MakeTagCertificate(const std::string& tag, ASN1_OBJECT* oid) {
    static const unsigned char kSeed[32] = {'i', 'n', 's', 't', 'a', 'l', 'l', 'e', 'r', ' ', 't',
                                            'a', 'g', ' ', 'c', 'o', 'n', 't', 'a', 'i', 'n', 'e',
                                            'r', ' ', 'k', 'e', 'y', ' ', 'v', '1', '.', '0'};
    EVP_PKEY* key = EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, kSeed, sizeof kSeed);
    X509* certificate = X509_new();
    X509_NAME* name = X509_NAME_new();
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    X509_EXTENSION* extension = nullptr;
    bool ok = key != nullptr && certificate != nullptr && name != nullptr && value != nullptr &&
              X509_set_version(certificate, 2) == 1 &&
              ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1 &&
              X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                         reinterpret_cast<const unsigned char*>("Installer tag"),
                                         -1, -1, 0) == 1 &&
              X509_set_subject_name(certificate, name) == 1 &&
              X509_set_issuer_name(certificate, name) == 1 &&
              ASN1_TIME_set_string_X509(X509_getm_notBefore(certificate), "20200101000000Z") == 1 &&
              ASN1_TIME_set_string_X509(X509_getm_notAfter(certificate), "99991231235959Z") == 1 &&
              X509_set_pubkey(certificate, key) == 1 &&
              ASN1_OCTET_STRING_set(value, reinterpret_cast<const unsigned char*>(tag.data()),
                                    static_cast<int>(tag.size())) == 1;
    if (ok)
        extension = X509_EXTENSION_create_by_OBJ(nullptr, oid, 0, value);
    ok = ok && extension != nullptr && X509_add_ext(certificate, extension, -1) == 1 &&
         X509_sign(certificate, key, nullptr) > 0;
    X509_EXTENSION_free(extension);
    ASN1_OCTET_STRING_free(value);
    X509_NAME_free(name);
    EVP_PKEY_free(key);
    if (!ok) {
        X509_free(certificate);
        return nullptr;
    }
    return certificate;
}

// The signature with every tag certificate taken out and one for `tag` put in; empty when
// it is no SignedData or libcrypto fails.
std::string RetaggedSignature(const unsigned char* der, size_t size, const std::string& tag,
                              std::string& error) {
    PKCS7* signature = d2i_PKCS7(nullptr, &der, static_cast<long>(size));
    if (signature == nullptr || !PKCS7_type_is_signed(signature)) {
        PKCS7_free(signature);
        error = "the certificate table holds no PKCS#7 signature";
        return {};
    }
    ASN1_OBJECT* oid = OBJ_txt2obj(platform::kInstallerTagOid, 1);
    STACK_OF(X509)* certificates = signature->d.sign->cert;
    for (int i = sk_X509_num(certificates) - 1; i >= 0; --i) {
        X509* certificate = sk_X509_value(certificates, i);
        if (X509_get_ext_by_OBJ(certificate, oid, -1) >= 0) {
            sk_X509_delete(certificates, i);
            X509_free(certificate);
        }
    }
    std::string encoded;
    X509* tagCertificate = oid != nullptr ? MakeTagCertificate(tag, oid) : nullptr;
    // PKCS7_add_certificate takes a reference of its own.
    if (tagCertificate != nullptr && PKCS7_add_certificate(signature, tagCertificate) == 1) {
        unsigned char* out = nullptr;
        const int length = i2d_PKCS7(signature, &out);
        if (length > 0)
            encoded.assign(reinterpret_cast<const char*>(out), static_cast<size_t>(length));
        OPENSSL_free(out);
    }
    if (encoded.empty())
        error = "libcrypto could not write the tagged signature";
    X509_free(tagCertificate);
    ASN1_OBJECT_free(oid);
    PKCS7_free(signature);
    return encoded;
}

void Write32(std::string& file, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

bool ReadFile(const std::string& path, std::string& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

const char kTagUsage[] =
    "usage: install-service tag --in SIGNED.exe --out TAGGED.exe --tag TEXT\n"
    "  TEXT: the words the installer takes from its tag, e.g. \"comname=Vornel;appid=qz\"\n"
    "        (comname, appid and --ver only, UTF-8, at most 1024 bytes)\n"
    "  --unchecked   write TEXT even when the installer would ignore it (for tests)\n";

}  // namespace

bool TagInstaller(const std::string& signedExe, const std::string& tag, std::string& tagged,
                  std::string& error) {
    pe::CertificateTable table;
    if (!pe::FindCertificateTable(signedExe, table)) {
        error = "not a PE file with an Authenticode signature at its end";
        return false;
    }
    const std::string signature = RetaggedSignature(
        reinterpret_cast<const unsigned char*>(signedExe.data()) + table.signatureOffset,
        table.signatureSize, tag, error);
    if (signature.empty())
        return false;
    // One entry, padded with zeros to 8 bytes as Windows expects of the table.
    const size_t entry = kEntryHeader + signature.size();
    const size_t padded = (entry + kAlignment - 1) / kAlignment * kAlignment;
    tagged.assign(signedExe, 0, table.tableOffset);
    tagged.append(signedExe, table.tableOffset, kEntryHeader);
    tagged += signature;
    tagged.append(padded - entry, '\0');
    Write32(tagged, table.tableOffset, static_cast<uint32_t>(entry));
    Write32(tagged, table.directoryOffset + 4, static_cast<uint32_t>(padded));
    Write32(tagged, table.checksumOffset, pe::ImageChecksum(tagged, table.checksumOffset));
    return true;
}

int RunTagCommand(int argc, char** argv) {
    std::string in, out, tag;
    bool haveTag = false, unchecked = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--unchecked") {
            unchecked = true;
        } else if (hasValue && arg == "--in") {
            in = argv[++i];
        } else if (hasValue && arg == "--out") {
            out = argv[++i];
        } else if (hasValue && arg == "--tag") {
            tag = argv[++i];
            haveTag = true;
        } else {
            std::cerr << (arg == "--help" ? "" : "install-service tag: bad argument " + arg + "\n")
                      << kTagUsage;
            return arg == "--help" ? 0 : 2;
        }
    }
    if (in.empty() || out.empty() || !haveTag) {
        std::cerr << kTagUsage;
        return 2;
    }
    std::vector<StartupWord> words;
    std::wstring problem;
    if (!unchecked && !ParseInstallerTag(tag, words, problem)) {
        std::cerr << "install-service tag: the installer would ignore this tag: it is "
                  << text::WideToUtf8(problem) << "\n";
        return 2;
    }
    std::string file, tagged, error;
    if (!ReadFile(in, file)) {
        std::cerr << "install-service tag: cannot read " << in << "\n";
        return 1;
    }
    if (!TagInstaller(file, tag, tagged, error)) {
        std::cerr << "install-service tag: " << in << ": " << error << "\n";
        return 1;
    }
    std::ofstream output(out, std::ios::binary | std::ios::trunc);
    output.write(tagged.data(), static_cast<std::streamsize>(tagged.size()));
    output.close();
    if (!output) {
        std::cerr << "install-service tag: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}

}  // namespace service
