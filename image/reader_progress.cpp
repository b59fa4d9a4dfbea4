// Progress and abort polling shared by the raster readers.
#include "image/reader_progress.h"

#include "base/message_table.h"
#include "base/progress.h"

namespace vl::image {

ReaderProgress::ReaderProgress(base::Runtime& rt, std::int64_t totalSteps)
    : rt_(rt), total_(totalSteps > 0 ? totalSteps : 1), label_(msg::Text(msg::kReadingImageData)) {}

ReaderProgress::~ReaderProgress() { base::ShowProgress(rt_, 0, ""); }

bool ReaderProgress::beforeStep(std::int64_t done) {
  base::ShowProgress(rt_, static_cast<int>(done * 100 / total_), label_);
  return base::PollAbort(rt_) == 0;
}

}  // namespace vl::image
