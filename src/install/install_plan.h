#pragma once
// The install plan: the package records of the "needdown" answer, in answer order.
#include <vector>

#include "service/service_record.h"

// One package record; fields read by the installer: filename, downfilename, filesize,
// ver, rarpath, haveexistsdown, setupparam, rarpass, rarpassword, id, comname.
using PackageEntry = ServiceRecord;
using InstallPlan = std::vector<PackageEntry>;
