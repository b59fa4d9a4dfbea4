// Progress and abort polling shared by the raster readers.
#include "image/reader_progress.h"

#include "app/message_table.h"
#include "engine/progress.h"

namespace vl::image {

ReaderProgress::ReaderProgress(engine::Runtime& rt, std::int64_t totalSteps)
    : rt_(rt), total_(totalSteps > 0 ? totalSteps : 1), label_(msg::Text(msg::kReadingImageData)) {}

ReaderProgress::~ReaderProgress() { engine::ShowProgress(rt_, 0, ""); }

bool ReaderProgress::beforeStep(std::int64_t done) {
  engine::ShowProgress(rt_, static_cast<int>(done * 100 / total_), label_);
  return engine::PollAbort(rt_) == 0;
}

}  // namespace vl::image
