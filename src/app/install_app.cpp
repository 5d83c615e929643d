#include "app/install_app.h"

#include <vector>

#include "app/front_end.h"
#include "app/install_context.h"
#include "app/install_log.h"
#include "app/startup_params.h"
#include "download/proxy_router.h"
#include "platform/module_info.h"
#include "platform/network.h"
#include "platform/text_codec.h"
#include "service/http_transport.h"

namespace {

// A "server=" word (hosts or host:port entries separated by commas) replaces the
// built-in service servers, for staging services and tests.
void ApplyServerOverride(CInstallContext& context) {
    const auto params = context.Params();
    const auto it = params.find(L"server");
    if (it == params.end() || it->second.empty())
        return;
    std::vector<std::wstring> servers;
    size_t start = 0;
    for (;;) {
        const size_t comma = it->second.find(L',', start);
        const std::wstring entry = it->second.substr(start, comma - start);
        if (!entry.empty())
            servers.push_back(entry);
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    if (!servers.empty())
        context.serverList = servers;
}

// Built with the service's public keys, the installer takes signed answers only. Keys that
// cannot be read leave none to check with, so that no answer counts rather than every one.
void LoadAnswerKeys(CInstallContext& context) {
    const std::string pem = platform::ReadBuiltInAnswerKeys();
    if (pem.empty())
        return;
    context.signedAnswers = true;
    std::string error;
    if (!ParseAnswerKeys(pem, context.answerKeys, error)) {
        context.answerKeys.clear();
        context.LogText(L"AnswerKeys\t" + text::SystemToWide(error));
        return;
    }
    std::string ids;
    for (const auto& key : context.answerKeys)
        ids += (ids.empty() ? "" : ",") + key.id;
    context.LogText(L"AnswerKeys\t" + text::SystemToWide(ids));
}

// A "proxy=" word overrides the system's proxy settings. Finding the proxy can take
// seconds (an auto-configuration script): it starts now, in the background, for the
// service's servers.
void StartProxyChoice(CInstallContext& context) {
    const auto params = context.Params();
    const auto word = params.find(L"proxy");
    ProxyRouter& router = ProxyRouter::Instance();
    router.UseWord(word == params.end() ? std::string() : text::WideToSystem(word->second));
    for (const std::wstring& entry : context.serverList)
        router.Prefetch(text::WideToSystem(ServiceUrl(entry, std::wstring())));
}

}  // namespace

bool CInstallApp::InitInstance(const std::wstring& commandTail) {
    // The log is emptied first: reading the parameters and finding the proxies log lines.
    install_log::Truncate(context_.logPath);
    ReadStartupParams(context_, commandTail);
    ApplyServerOverride(context_);
    StartProxyChoice(context_);
    LoadAnswerKeys(context_);
    platform::NetworkStartup();
    if (frontEnd_.RunInitialization(context_)) {
        context_.LogText(L"DoModal-CInstallApp");
        context_.LogText(L"DoModal-1");
        frontEnd_.RunWizard(context_);
        context_.LogText(L"DoModal-2");
    } else {
        context_.LogText(L"取消安装-CInstallApp");
        frontEnd_.ShowMessage(context_, L"取消安装");
    }
    platform::NetworkCleanup();
    return false;
}
