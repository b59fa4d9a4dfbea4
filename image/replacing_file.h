// A pixel image file that replaces its namesake only once it is complete: the bytes go to a
// temporary file beside the target, renamed over the target on commit. A failed or abandoned
// write leaves the previous file as it was and no partial file behind. A target that is not a
// regular file (a device, a pipe) is written in place and never deleted.
//
// The art writers have the same helper; the image library cannot link to theirs, so this one
// stands in until the two share one in the platform layer.
#pragma once

#include <string>

#include "platform/file_io.h"

namespace vl::image {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile() { discard(); }

  // Opens the file to write. False when it cannot be created (nothing is left behind).
  bool create(const std::string& target);
  platform::FileHandle handle() const { return handle_; }
  // Makes the bytes durable and puts them in place of the target. False on failure, the target
  // then untouched and the temporary file removed.
  bool commit();
  // Closes and removes the temporary file; the target stays as it was.
  void discard();

 private:
  platform::FileHandle handle_ = platform::kNoFile;
  std::string target_;
  std::string temporary_;  // empty when writing in place
  unsigned mode_ = 0644;   // permission bits of the finished file
};

}  // namespace vl::image
