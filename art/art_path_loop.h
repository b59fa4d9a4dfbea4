// The path loop that the DXF and metafile bodies share with the save driver's rules: every
// path in painting order, the abort poll before each, the progress after each once the art
// has enough paths to make waiting noticeable, and the closing part of the file written even
// after the user stopped the save.
#pragma once

#include <functional>
#include <string_view>

#include "art/art_output_buffer.h"
#include "art/artwork.h"
#include "base/runtime.h"

namespace vl::art {

// Progress is shown for saves of at least this many paths.
constexpr int kLoopProgressMinPaths = 50;

// Runs writePath for each path in use, then writeEnd. A stop request seen by the poll ends
// the loop; writeEnd still runs, with the request lowered meanwhile because the checked write
// refuses to write under it, and raised again afterwards. The buffer is flushed at the end.
// True when every path was written; false when the user stopped the save.
bool WritePathsThenEnd(base::Runtime& rt, OutputBuffer& out, const Artwork& art,
                       std::string_view progressLabel,
                       const std::function<void(const PathRecord&)>& writePath,
                       const std::function<void()>& writeEnd);

}  // namespace vl::art
