// Writing a file so that it replaces the previous one only once it is complete: the text
// goes to a temporary file beside the target, which is renamed over the target on commit. A
// failed or abandoned write leaves the previous file as it was.
//
// A target that exists but is not a regular file (a device, a pipe) is written in place:
// renaming over it would replace the device node, and it is never deleted on failure.
#pragma once

#include <string>

#include "platform/file_io.h"

namespace vl::platform {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile() { discard(); }

  // Opens the file to write. False when it cannot be created (nothing is left behind).
  bool create(const std::string& target);
  FileHandle handle() const { return handle_; }
  // Makes the written bytes durable and puts them in place of the target. False on failure,
  // in which case the target is untouched and the temporary file removed.
  bool commit();
  // Closes and removes the temporary file; the target stays as it was.
  void discard();

 private:
  FileHandle handle_ = platform::kNoFile;
  std::string target_;     // the path renamed over (a symbolic link's destination)
  std::string temporary_;  // empty when writing in place
  int mode_ = 0644;        // permission bits the finished file gets
};

}  // namespace vl::platform
