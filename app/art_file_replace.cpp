// The replace-on-completion write of an art file (see app/art_file_replace.h).
#include "app/art_file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "app/document_actions.h"
#include "base/message_table.h"
#include "platform/file_io.h"

namespace vl::app {
namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the art finally goes: what a symbolic link points to, so the link itself stays.
std::string ResolvedTarget(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string out = resolved;
  std::free(resolved);
  return out;
}

}  // namespace

ReplaceOutcome WriteArtReplacing(Program& program, Document& doc, const std::string& output,
                                 const ArtFormat& format, const std::function<bool()>& stopped) {
  const std::string target = ResolvedTarget(output);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    if (!WriteArtFile(program, doc, target, output, format)) return ReplaceOutcome::kFailed;
    return stopped() ? ReplaceOutcome::kStopped : ReplaceOutcome::kWritten;
  }

  std::string temporary = FolderOf(target) + "/.vectorlume-part-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    program.ui->showMessage(msg::Text(msg::kDiskFullOrLocked));
    return ReplaceOutcome::kFailed;
  }
  ::close(fd);
  ReplaceOutcome outcome = ReplaceOutcome::kWritten;
  if (!WriteArtFile(program, doc, temporary, output, format)) {
    outcome = ReplaceOutcome::kFailed;
  } else if (stopped()) {
    outcome = ReplaceOutcome::kStopped;
  } else if (::chmod(temporary.c_str(), exists ? (existing.st_mode & 07777) : 0644) != 0 ||
             ::rename(temporary.c_str(), target.c_str()) != 0) {
    program.ui->showMessage(msg::Text(msg::kDiskFullOrLocked));
    outcome = ReplaceOutcome::kFailed;
  }
  if (outcome != ReplaceOutcome::kWritten) platform::DeleteFile(temporary);
  return outcome;
}

}  // namespace vl::app
