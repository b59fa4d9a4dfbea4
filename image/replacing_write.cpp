// Pixel files written beside their target and renamed over it when complete.
#include "image/replacing_write.h"

#include "base/message_table.h"
#include "platform/atomic_file.h"

namespace vl::image {

bool WriteReplacing(base::Runtime& rt, const std::string& path,
                    const std::function<bool(platform::FileHandle)>& write) {
  platform::AtomicFile file;
  if (!file.create(path)) {
    base::ShowMessage(rt, msg::kDiskFullOrLocked);
    rt.state.abortRequested = 1;
    return false;
  }
  if (!write(file.handle())) {
    file.discard();
    return false;
  }
  if (!file.commit()) {
    base::ShowMessage(rt, msg::kDiskFullOrLocked);
    rt.state.abortRequested = 1;
    return false;
  }
  return true;
}

}  // namespace vl::image
