// Where scratch files live. The user's scratch folder (default $TMPDIR, else /tmp) holds one
// subfolder per running process, "vectorlume-<pid>", so that two conversions at the same time
// never share "edgearr" and its siblings.
#pragma once

#include <string>

namespace vl::platform {

// $TMPDIR when set and non-empty, else "/tmp".
std::string DefaultScratchBase();

// base + "/vectorlume-<pid>/" for this process (not created).
std::string ProcessScratchFolder(const std::string& base);

// Creates `folder` (one level: the base must exist). True when it exists afterwards.
bool EnsureFolder(const std::string& folder);

// Removes the subfolders "vectorlume-<pid>" of base whose process no longer runs, with the
// files in them. Never touches anything else.
void RemoveStaleScratchFolders(const std::string& base);

// Removes this process's scratch folder and whatever is left in it.
void RemoveScratchFolder(const std::string& folder);

}  // namespace vl::platform
