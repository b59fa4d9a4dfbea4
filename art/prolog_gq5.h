// The PostScript prolog embedded in every GQ/EPS file saved with a preview kind other than
// "None": the procedure sets the setup and trailer name and the operators the path body uses.
#pragma once

#include <string_view>

namespace vl::art {

// The prolog text, lines ended by LF (the writer ends each with CR in the file).
std::string_view Gq5Prolog();

}  // namespace vl::art
