// Writing a file that replaces the previous one only once complete.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace vl::platform {

namespace {
std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool AtomicFile::create(const std::string& target) {
  discard();
  target_ = target;
  struct stat link {};
  if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    // Replace what the link points to, not the link itself.
    if (char* resolved = ::realpath(target.c_str(), nullptr)) {
      target_ = resolved;
      std::free(resolved);
    }
  }
  struct stat existing {};
  bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    handle_ = platform::CreateFile(target_);
    return handle_ != platform::kNoFile;
  }
  if (exists) mode_ = static_cast<int>(existing.st_mode & 07777);

  // A short fixed name, so that a target name near the length limit still has a sibling.
  std::string pattern = FolderOf(target_) + "/.vectorlume-save-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  handle_ = fd;
  temporary_ = name.data();
  return true;
}

bool AtomicFile::commit() {
  if (handle_ == platform::kNoFile) return false;
  if (temporary_.empty()) {
    platform::CloseFile(handle_);
    return true;
  }
  bool ok = ::fchmod(handle_, static_cast<mode_t>(mode_)) == 0 && ::fsync(handle_) == 0;
  platform::CloseFile(handle_);
  ok = ok && ::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!ok) platform::DeleteFile(temporary_);
  temporary_.clear();
  return ok;
}

void AtomicFile::discard() {
  if (handle_ != platform::kNoFile) platform::CloseFile(handle_);
  if (!temporary_.empty()) platform::DeleteFile(temporary_);
  temporary_.clear();
}

}  // namespace vl::platform
