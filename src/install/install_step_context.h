#pragma once
// What every installation step works with: the install context, the plan as it stood
// when the installation started, and the run's journal through which it reports.
#include "app/install_context.h"
#include "install/install_plan.h"
#include "install/run_journal.h"

struct InstallStepContext {
    CInstallContext& context;
    const InstallPlan& plan;
    RunJournal& journal;
};
