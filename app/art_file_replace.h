// Writing art over an output file so that the file changes only when the art is complete: the
// art goes into a hidden file beside the target, which is renamed over it at the end. Used by
// the command line and the batch, where a stopped or failed write must leave nothing behind.
#pragma once

#include <functional>
#include <string>

#include "app/document.h"
#include "app/program.h"

namespace vl::app {

enum class ReplaceOutcome { kWritten, kFailed, kStopped };

// Writes the document's art in `format` to `output`. A symbolic link keeps pointing where it
// did (its destination is replaced); an existing file keeps its permission bits; a device or
// pipe is written directly. `stopped` is asked once the art is written: when it says yes the
// hidden file is removed and the target left as it was. Failures show their message.
[[nodiscard]] ReplaceOutcome WriteArtReplacing(Program& program, Document& doc,
                                               const std::string& output, const ArtFormat& format,
                                               const std::function<bool()>& stopped);

}  // namespace vl::app
