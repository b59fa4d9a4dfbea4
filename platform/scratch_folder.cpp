// Scratch folder naming and the start-up clean-up of folders left by dead processes.
#include "platform/scratch_folder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vl::platform {

namespace {
constexpr std::string_view kPrefix = "vectorlume-";

void RemoveFolderWithFiles(const std::string& folder) {
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      ::unlink((folder + "/" + std::string(name)).c_str());
    }
    ::closedir(dir);
  }
  ::rmdir(folder.c_str());
}
}  // namespace

std::string DefaultScratchBase() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? std::string(tmp) : std::string("/tmp");
}

std::string ProcessScratchFolder(const std::string& base) {
  std::string folder = base;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + std::string(kPrefix) + std::to_string(::getpid()) + "/";
}

bool EnsureFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void RemoveStaleScratchFolders(const std::string& base) {
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return;
  while (dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name.substr(0, kPrefix.size()) != kPrefix) continue;
    std::string_view digits = name.substr(kPrefix.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
      continue;
    pid_t pid = static_cast<pid_t>(std::atol(std::string(digits).c_str()));
    if (pid == ::getpid()) continue;
    if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
      RemoveFolderWithFiles(base + "/" + std::string(name));
  }
  ::closedir(dir);
}

void RemoveScratchFolder(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  RemoveFolderWithFiles(f);
}

}  // namespace vl::platform
