#pragma once
// The install plan: which runtime generation it targets and when it is fetched.
#include <string>

#include "app/install_context.h"
#include "install/install_events.h"
#include "install/install_plan.h"

// "4.0" from Windows 8 on (OS code above 10), otherwise "2.0".
std::wstring DefaultNetVersion(int osCode);

// Sets "netver" and asks "needdown". The plan is replaced only when the request
// succeeded; `errorText` then holds the service's answer or is empty.
bool FetchPlan(CInstallContext& context, const std::wstring& netver, InstallPlan& plan,
               std::wstring& errorText);

// What the download page does when it opens: "getver", the default generation (or the
// one given), then the plan. False with the error text when a request failed.
bool PreparePlan(CInstallContext& context, const std::wstring& requestedNetver, int osCode,
                 InstallPlan& plan, std::wstring& errorText);

// The caption of the chosen version, used in the first line of the install log box.
std::wstring ChosenVersionCaption(RuntimeChoice choice, int osCode);
