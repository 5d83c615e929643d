// The query operations of the install context: each server entry is asked in turn until
// one answers "OK" or "ER".
#include <mutex>

#include <curl/curl.h>

#include "app/install_context.h"
#include "download/proxy_router.h"
#include "platform/text_codec.h"
#include "service/answer_signature.h"
#include "service/http_transport.h"
#include "service/kzq_json.h"

namespace {

// A query rewrites the server list and the last transfer result; queries from the
// user-interface and worker threads take turns instead of racing on them.
std::mutex& QueryLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

// An answer that is not proven to come from the service fails as a transfer does: the
// next server is asked, and the log says why.
bool CInstallContext::AnswerIsAuthentic(const std::wstring& entry,
                                        const HttpHeaderExchange& headers,
                                        const std::string& body) {
    std::string keyId;
    const AnswerCheck check = headers.sendValue.empty()
                                  ? AnswerCheck::NoSignature
                                  : CheckAnswer(answerKeys, headers.sendValue, headers.target, body,
                                                headers.received, keyId);
    if (check == AnswerCheck::Valid)
        return true;
    // No libcurl code says this; the one for a reply the installer cannot use is the closest,
    // and the initialization dialog must not call the failure a success.
    lastTransferResult = CURLE_WEIRD_SERVER_REPLY;
    Log(L"HttpGet\t\t%s", L"faild");
    Log(L"HttpGet\t\t%s\t%s", entry,
        text::SystemToWide("answer refused: " + DescribeAnswerCheck(check, keyId)));
    return false;
}

bool CInstallContext::QueryService(const std::wstring& query, ServiceRecordList& records,
                                   std::wstring& resultText) {
    std::lock_guard<std::mutex> guard(QueryLock());
    for (size_t i = 0; i < serverList.size(); ++i) {
        const std::wstring entry = serverList[i];
        const std::wstring url = ServiceUrl(entry, query);
        // What finding the server's proxy has to say comes before the request's own lines.
        ProxyRouter::Instance().AwaitDiscovery(text::WideToSystem(url));
        Log(L"HttpGet\t\t%s", url);
        std::string body;
        std::wstring failure;
        HttpHeaderExchange headers;
        if (signedAnswers) {
            headers.sendName = kNonceHeader;
            headers.sendValue = MakeAnswerNonce();
            headers.receiveName = kSignatureHeader;
        }
        if (!HttpGet(*this, url, body, &failure, signedAnswers ? &headers : nullptr)) {
            Log(L"HttpGet\t\t%s", L"faild");
            // Why an HTTPS server was not used: an expired certificate and a wrong host
            // must be told apart by whoever reads the log.
            if (url.compare(0, 8, L"https://") == 0)
                Log(L"HttpGet\t\t%s\t%s", entry, failure);
            continue;
        }
        if (signedAnswers && !AnswerIsAuthentic(entry, headers, body))
            continue;
        const std::wstring answer = DecodeServiceAnswer(body);
        Log(L"HttpResponse\t%s", answer);
        if (answer.compare(0, 2, L"OK") == 0) {
            resultText = L"OK";
            records = ParseRecords(WrapArrayAnswer(std::wstring_view(answer).substr(2)));
            // The entry that answered is asked first next time (copied, not swapped).
            serverList[0] = entry;
            return true;
        }
        if (answer.compare(0, 2, L"ER") == 0) {
            resultText = answer;
            return false;
        }
    }
    return false;
}

bool CInstallContext::QueryServiceRecord(const std::wstring& query, ServiceRecord& record,
                                         std::wstring& resultText) {
    ServiceRecordList records;
    const bool ok = QueryService(query, records, resultText);
    if (!records.empty())
        record = records.front();
    return ok;
}
