#pragma once
// The install funnel as a table for people and as CSV for spreadsheets.
#include <string>
#include <vector>

#include "install_funnel.h"

namespace service {

std::string FunnelText(const std::vector<ApplicationFunnel>& funnel, const FunnelWindow& window);
// One row per step and per group of stopped installations, with a header row.
std::string FunnelCsv(const std::vector<ApplicationFunnel>& funnel);

}  // namespace service
