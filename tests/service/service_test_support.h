#pragma once
// Shared pieces of the service client tests: a context whose log goes to a temporary
// directory, and the log read back as wide text.
#include <memory>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace service_test {

// A context with the given server entries that logs into a fresh directory.
struct LoggedContext {
    ScopedTempDir dir;
    std::unique_ptr<CInstallContext> context;

    explicit LoggedContext(std::vector<std::wstring> servers) {
        context = std::make_unique<CInstallContext>(std::move(servers), dir / L"Install.log");
    }

    std::wstring LogText() const {
        std::string bytes;
        if (!platform::ReadWholeFile(context->logPath, bytes))
            return {};
        return text::Utf8ToWide(bytes);
    }
};

// Answers every request of `server` on /inst/ with `body` (status 200, text/plain).
inline void AnswerWith(test_support::HttpTestServer& server, const std::string& body) {
    server.Handle("/inst/", [body](const httplib::Request&, httplib::Response& response) {
        response.set_content(body, "text/plain");
    });
}

}  // namespace service_test
