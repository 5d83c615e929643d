// Signed answers end to end inside one process: the service signs with a key made for the
// test, the installer's client checks with the public half it was given.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>

#include "answer_signer.h"
#include "app/install_context.h"
#include "live_service.h"
#include "platform/text_codec.h"
#include "service/answer_signature.h"
#include "support/temp_dir.h"

namespace {

// A fresh P-256 key pair: the private half in a PEM file, the public half as the
// installer reads it.
struct TestKey {
    std::string privatePath;
    AnswerKey publicKey;
};

TestKey MakeKey(const std::string& dir, const std::string& name) {
    TestKey key;
    EVP_PKEY* pair = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    EXPECT_NE(pair, nullptr);
    key.privatePath = dir + "/" + name + ".key";
    FILE* file = std::fopen(key.privatePath.c_str(), "wb");
    EXPECT_EQ(PEM_write_PrivateKey(file, pair, nullptr, nullptr, 0, nullptr, nullptr), 1);
    std::fclose(file);
    BIO* memory = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(memory, pair);
    char* data = nullptr;
    const long size = BIO_get_mem_data(memory, &data);
    std::vector<AnswerKey> keys;
    std::string error;
    EXPECT_TRUE(ParseAnswerKeys(std::string(data, static_cast<size_t>(size)), keys, error));
    key.publicKey = keys.at(0);
    BIO_free(memory);
    EVP_PKEY_free(pair);
    return key;
}

class SignedAnswers : public ::testing::Test {
  protected:
    SignedAnswers()
        : dir_(text::WideToUtf8(temp_.path())),
          first_(MakeKey(dir_, "first")),
          second_(MakeKey(dir_, "second")) {}

    // The log of one context that asks `live` for the application's versions.
    std::string AskVersions(LiveService& live, const std::vector<AnswerKey>* keys, bool& answered,
                            int& transferResult) {
        const std::string log = dir_ + "/Install-" + std::to_string(++asked_) + ".log";
        CInstallContext context({text::Utf8ToWide(live.ServiceAddress())}, text::Utf8ToWide(log));
        if (keys != nullptr) {
            context.signedAnswers = true;
            context.answerKeys = *keys;
        }
        ServiceRecordList records;
        std::wstring result;
        answered = context.GetVer(records, result) && !records.empty();
        transferResult = context.lastTransferResult;
        return ReadFile(log);
    }

    ScopedTempDir temp_;
    std::string dir_;
    TestKey first_;
    TestKey second_;
    int asked_ = 0;
};

TEST_F(SignedAnswers, SignerLoadsOnlyAP256PrivateKey) {
    service::AnswerSigner signer;
    std::string error;
    ASSERT_TRUE(signer.Load(first_.privatePath, error)) << error;
    EXPECT_EQ(signer.KeyId(), first_.publicKey.id);
    EXPECT_FALSE(signer.Load(dir_ + "/missing.key", error));
    WriteFile(dir_ + "/public.pem", "-----BEGIN PUBLIC KEY-----\n-----END PUBLIC KEY-----\n");
    EXPECT_FALSE(signer.Load(dir_ + "/public.pem", error));
    EVP_PKEY* rsa = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t{2048});
    FILE* file = std::fopen((dir_ + "/rsa.key").c_str(), "wb");
    PEM_write_PrivateKey(file, rsa, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(file);
    EVP_PKEY_free(rsa);
    EXPECT_FALSE(signer.Load(dir_ + "/rsa.key", error));
    EXPECT_NE(error.find("not a P-256 private key"), std::string::npos) << error;
}

TEST_F(SignedAnswers, AcceptedWithAnyBuiltInKeyRefusedOtherwise) {
    service::AnswerSigner signer;
    std::string error;
    ASSERT_TRUE(signer.Load(second_.privatePath, error)) << error;
    LiveService signing("", &signer);
    LiveService unsigned_;
    const std::vector<AnswerKey> both = {first_.publicKey, second_.publicKey};
    const std::vector<AnswerKey> firstOnly = {first_.publicKey};
    const struct {
        const char* name;
        LiveService& service;
        const std::vector<AnswerKey>* keys;
        bool answered;
        const char* logged;  // the refusal's words; empty: no refusal
    } cases[] = {
        {"signed by the second of two keys", signing, &both, true, ""},
        {"signed by a key not built in", signing, &firstOnly, false, "unknown key"},
        {"unsigned answer", unsigned_, &both, false, "no signature"},
        {"installer without keys, signing service", signing, nullptr, true, ""},
        {"installer without keys, unsigned service", unsigned_, nullptr, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool answered = false;
        int transferResult = -1;
        const std::string log = AskVersions(c.service, c.keys, answered, transferResult);
        EXPECT_EQ(answered, c.answered);
        if (*c.logged == '\0') {
            EXPECT_EQ(log.find("answer refused"), std::string::npos) << log;
            EXPECT_NE(log.find("HttpResponse\tOK"), std::string::npos) << log;
            continue;
        }
        EXPECT_NE(log.find("HttpGet\t\tfaild"), std::string::npos) << log;
        EXPECT_NE(log.find(c.service.ServiceAddress() + "\tanswer refused: " + c.logged),
                  std::string::npos)
            << log;
        // A refused answer is never logged as the service's response, nor called a success.
        EXPECT_EQ(log.find("HttpResponse"), std::string::npos) << log;
        EXPECT_NE(transferResult, 0);
    }
}

}  // namespace
