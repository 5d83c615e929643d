#include "install/package_plan.h"

std::wstring DefaultNetVersion(int osCode) {
    return osCode > 10 ? L"4.0" : L"2.0";
}

bool FetchPlan(CInstallContext& context, const std::wstring& netver, InstallPlan& plan,
               std::wstring& errorText) {
    context.SetParam(L"netver", netver);
    InstallPlan answer;
    std::wstring resultText;
    if (!context.NeedDown(answer, resultText)) {
        errorText = resultText == L"OK" ? L"" : resultText;
        return false;
    }
    plan = std::move(answer);
    return true;
}

bool PreparePlan(CInstallContext& context, const std::wstring& requestedNetver, int osCode,
                 InstallPlan& plan, std::wstring& errorText) {
    ServiceRecordList versions;
    std::wstring resultText;
    if (!context.GetVer(versions, resultText)) {
        errorText = resultText;
        return false;
    }
    const std::wstring netver =
        requestedNetver.empty() ? DefaultNetVersion(osCode) : requestedNetver;
    return FetchPlan(context, netver, plan, errorText);
}

std::wstring ChosenVersionCaption(RuntimeChoice choice, int osCode) {
    switch (choice) {
        case RuntimeChoice::Default:
            return osCode >= 11 ? L".net40安装版" : L".net20安装版";
        case RuntimeChoice::Net20:
            return L".net20安装版";
        case RuntimeChoice::Net40:
            return L".net40安装版";
    }
    return {};
}
