#pragma once
// What every installation step works with: the install context, the plan as it stood
// when the installation started, and the front-end.
#include "app/install_context.h"
#include "install/install_front_end.h"
#include "install/install_plan.h"

struct InstallStepContext {
    CInstallContext& context;
    const InstallPlan& plan;
    IInstallFrontEnd& frontEnd;
};
