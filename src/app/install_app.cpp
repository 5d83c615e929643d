#include "app/install_app.h"

#include "app/front_end.h"
#include "app/install_context.h"
#include "app/install_log.h"
#include "app/startup_params.h"
#include "platform/network.h"

bool CInstallApp::InitInstance(const std::wstring& commandTail) {
    ReadStartupParams(context_, commandTail);
    install_log::Truncate(context_.logPath);
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
