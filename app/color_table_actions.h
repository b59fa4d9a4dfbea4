// The custom colour table as the shell handles it: the start-up colour file, colour files and
// built-in colours asked for by the user, and the export. Each keeps the preferences' colour
// count equal to the table's.
#pragma once

#include <string>

#include "app/program.h"

namespace vl::app {

// The start-up colour file of `folder`, when there is one (the terminal asks nothing when it
// is missing; the window offers the built-in colours instead). False after its message when
// the file did not load; the table is then as it was.
[[nodiscard]] bool LoadStartupColors(Program& program, const std::string& folder,
                                     bool askWhenMissing);

// At the first start, when `folder` holds no preferences file yet, writes the start-up colour
// file there from the built-in colours, as an installation would bring it, so that the first
// start has no missing file to ask about. True when the file is there afterwards; a folder with
// preferences is left as it is (a colour file the user removed is asked about as usual).
[[nodiscard]] bool InstallFirstStartColors(Program& program, const std::string& folder);

// The built-in colours (when `builtIn`), then the colour file `path` (when not empty). A file
// that does not load, or that holds no colours, shows its message and leaves the table as it
// was; false then.
[[nodiscard]] bool LoadRequestedColors(Program& program, bool builtIn, const std::string& path);

// Writes the export file (every colour, or the tagged ones). False after message 363.
[[nodiscard]] bool ExportColors(Program& program, const std::string& path, bool taggedOnly);

}  // namespace vl::app
