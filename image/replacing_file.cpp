// Writing a pixel image file that replaces the previous one only once complete.
#include "image/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vl::image {

namespace {
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

bool ReplacingFile::create(const std::string& target) {
  discard();
  target_ = target;
  // Replace what a symbolic link points to, not the link.
  if (char* resolved = ::realpath(target.c_str(), nullptr)) {
    target_ = resolved;
    std::free(resolved);
  }
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    handle_ = platform::CreateFile(target_);
    return handle_ != platform::kNoFile;
  }
  if (exists) mode_ = existing.st_mode & 07777;

  std::string pattern = FolderOf(target_) + "/.vectorlume-pixels-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  handle_ = fd;
  temporary_ = name.data();
  return true;
}

bool ReplacingFile::commit() {
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

void ReplacingFile::discard() {
  if (handle_ != platform::kNoFile) platform::CloseFile(handle_);
  if (!temporary_.empty()) platform::DeleteFile(temporary_);
  temporary_.clear();
}

}  // namespace vl::image
