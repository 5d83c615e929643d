// The query operations of the install context: each server entry is asked in turn until
// one answers "OK" or "ER".
#include <mutex>

#include "app/install_context.h"
#include "download/proxy_router.h"
#include "platform/text_codec.h"
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
        if (!HttpGet(*this, url, body, &failure)) {
            Log(L"HttpGet\t\t%s", L"faild");
            // Why an HTTPS server was not used: an expired certificate and a wrong host
            // must be told apart by whoever reads the log.
            if (url.compare(0, 8, L"https://") == 0)
                Log(L"HttpGet\t\t%s\t%s", entry, failure);
            continue;
        }
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
