// Who and when for the header of a saved art file.
#include "art/user_identity.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace vl::art {

SaveStamp SystemSaveStamp(platform::UserInterface& ui) {
  SaveStamp stamp;
  stamp.time = ui.localTime();
  long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found) {
    std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    stamp.user = gecos.substr(0, gecos.find(','));
    if (stamp.user.empty() && found->pw_name) stamp.user = found->pw_name;
  }
  return stamp;
}

}  // namespace vl::art
