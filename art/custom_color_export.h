// The custom colour export file: a small GQ file whose header lists the custom colours, so
// that another document can import them. Its lines end with CR LF.
#pragma once

#include <string>

#include "art/art_writer_inputs.h"
#include "base/runtime.h"

namespace vl::art {

// Writes the colours (only the tagged ones when taggedOnly) to fileName, replacing a previous
// file only when complete. On failure shows message 363 and returns false.
[[nodiscard]] bool exportCustomColors(base::Runtime& rt, const std::string& fileName,
                        const CustomColorList& colors, bool taggedOnly);

}  // namespace vl::art
