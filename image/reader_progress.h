// What every raster reader shows and polls while it reads: "Reading Image Data" with the share
// of the rows done, and the user's abort request before each row. Closes the progress window
// when the read ends, however it ends.
#pragma once

#include <cstdint>
#include <string>

#include "base/runtime.h"

namespace vl::image {

class ReaderProgress {
 public:
  // totalSteps: rows, or rows x planes for readers that read one plane after another.
  ReaderProgress(base::Runtime& rt, std::int64_t totalSteps);
  ReaderProgress(const ReaderProgress&) = delete;
  ReaderProgress& operator=(const ReaderProgress&) = delete;
  ~ReaderProgress();

  // Called before step `done` (0-based): shows the percentage done and polls the abort
  // request. False once the user asked to stop.
  bool beforeStep(std::int64_t done);

 private:
  base::Runtime& rt_;
  std::int64_t total_;
  std::string label_;
};

}  // namespace vl::image
