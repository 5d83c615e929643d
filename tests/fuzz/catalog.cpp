// The reference service's catalog loader. A catalog it accepts must keep the answer
// contract: every answer of every application is one the installer reads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalog.h"
#include "event_log.h"
#include "fuzz_check.h"
#include "install_service.h"
#include "service/http_transport.h"
#include "service/kzq_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    service::Catalog catalog;
    std::string error;
    if (!catalog.LoadText(std::string(reinterpret_cast<const char*>(data), size), "", error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    service::EventLog events("");
    const service::InstallService installService(catalog, events);
    for (const auto& [comname, company] : catalog.Companies()) {
        for (const auto& [appid, application] : company.applications) {
            for (const char* action : {"downserverlist", "firstpage", "getver", "companyname",
                                       "appexe", "appfilesnot"}) {
                service::ServiceRequest request;
                request.params = {{"comname", comname}, {"appid", appid}, {"action", action}};
                const service::ServiceReply reply = installService.Handle(request);
                FUZZ_CHECK(reply.ok);
                const std::wstring answer = DecodeServiceAnswer(reply.body);
                FUZZ_CHECK(answer.compare(0, 2, L"OK") == 0);
                ParseRecords(WrapArrayAnswer(std::wstring_view(answer).substr(2)));
            }
        }
    }
    return 0;
}
