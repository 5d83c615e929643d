#pragma once
// Rewrites the runtime section of the installed programs' ".config" files for the
// .NET generation chosen on the download page.
#include <string>

#include "install/install_step_context.h"

// The main program named by config\name.ini, then every program of the "appexe" answer.
// Each file is reported in the front-end's log.
void PatchRuntimeConfigs(InstallStepContext& step);

// One file: true when it was rewritten, or left alone because the default choice is
// selected; false when it cannot be read, holds zero bytes (UTF-16 text is not ours to
// cut) or cannot be written.
bool PatchConfigFile(const std::wstring& path, InstallStepContext& step);
