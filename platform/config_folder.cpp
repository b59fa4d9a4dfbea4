// Locating and creating the configuration folder.
#include "platform/config_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace vl::platform {

std::string ConfigFolder() {
  // A relative XDG_CONFIG_HOME is invalid by the base-directory rules and is ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    return std::string(xdg) + "/vectorlume";
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    return std::string(home) + "/.config/vectorlume";
  return {};
}

bool EnsureFolderTree(const std::string& folder) {
  if (folder.empty()) return false;
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace vl::platform
