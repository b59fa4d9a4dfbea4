// `vectorlume settings list | show NAME | save NAME [options] | delete NAME | preferences ...`
#pragma once

#include <string>
#include <vector>

namespace vl::app {

// Runs the command on the arguments after "settings"; returns the exit status.
int RunSettingsCommand(const std::vector<std::string>& args);

}  // namespace vl::app
