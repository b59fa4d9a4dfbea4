// The user's configuration folder, where the preferences and settings files live: the program's
// own folder is not writable once installed.
#pragma once

#include <string>

namespace vl::platform {

// $XDG_CONFIG_HOME/vectorlume when that variable holds an absolute path, else
// $HOME/.config/vectorlume; empty when neither is known.
std::string ConfigFolder();

// Creates `folder` and any missing parents (mode 0700 for new ones). True when it exists
// afterwards as a folder.
bool EnsureFolderTree(const std::string& folder);

}  // namespace vl::platform
