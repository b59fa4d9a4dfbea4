// File names as users type them: extensions are matched without regard to case (".TIF" is a
// TIFF file like ".tif").
#pragma once

#include <cctype>
#include <string_view>

namespace vl::platform {

// `path` ends with `extension` (given in lower case, dot included), in any case.
inline bool HasExtension(std::string_view path, std::string_view extension) {
  if (path.size() < extension.size()) return false;
  path.remove_prefix(path.size() - extension.size());
  for (std::size_t i = 0; i < extension.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(path[i])) != extension[i]) return false;
  }
  return true;
}

}  // namespace vl::platform
