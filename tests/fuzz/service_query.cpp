// The reference service's request handling: a raw query string through the HTTP
// library's query parser into the service, against the demo catalog. Every answer must
// be one the installer reads: "ER ..." or "OK" with as many records as the service meant.
#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog.h"
#include "event_log.h"
#include "fuzz_check.h"
#include "install_service.h"
#include "service/http_transport.h"
#include "service/kzq_json.h"

namespace {

const service::Catalog& DemoCatalog() {
    static const service::Catalog catalog = [] {
        service::Catalog loaded;
        std::string error;
        FUZZ_CHECK(loaded.LoadFile(DEMO_CATALOG, "", error));
        return loaded;
    }();
    return catalog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    httplib::Params params;
    httplib::detail::parse_query_text(std::string(reinterpret_cast<const char*>(data), size),
                                      params);
    service::ServiceRequest request;
    request.client = "127.0.0.1";
    for (const auto& param : params)
        request.params.push_back(param);

    service::EventLog events("");
    const service::ServiceReply reply =
        service::InstallService(DemoCatalog(), events).Handle(request);
    if (!reply.ok) {
        FUZZ_CHECK(reply.body.compare(0, 3, "ER ") == 0);
        return 0;
    }
    // The note tells how many records the answer holds: "OK <n> record(s)".
    FUZZ_CHECK(reply.body.compare(0, 2, "OK") == 0 && reply.note.compare(0, 3, "OK ") == 0);
    const size_t expected = std::strtoul(reply.note.c_str() + 3, nullptr, 10);
    const std::wstring answer = DecodeServiceAnswer(reply.body);
    const ServiceRecordList records =
        ParseRecords(WrapArrayAnswer(std::wstring_view(answer).substr(2)));
    FUZZ_CHECK(records.size() == expected);
    return 0;
}
