#pragma once
// The driver's commands: each takes the request's fields after its name and answers.
#include <string>
#include <vector>

#include "wizard_driver/command_line_protocol.h"
#include "wizard_driver/target_process.h"

namespace wizard_driver {

class DriverCommands {
  public:
    Answer Run(const std::vector<std::wstring>& request);

  private:
    TargetProcess target_;
};

}  // namespace wizard_driver
