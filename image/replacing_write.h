// Writing a pixel file in place of an earlier one: the earlier file stays until the new one is
// complete, and a file that cannot be created or finished is reported as the disk failure.
#pragma once

#include <functional>
#include <string>

#include "base/runtime.h"
#include "platform/file_io.h"

namespace vl::image {

// Runs `write` on a new file that replaces `path` once `write` returns true. A file that cannot
// be created or put in place shows "disk full or locked" and raises abortRequested; when
// `write` fails (it has reported why) the earlier file is kept.
bool WriteReplacing(base::Runtime& rt, const std::string& path,
                    const std::function<bool(platform::FileHandle)>& write);

}  // namespace vl::image
