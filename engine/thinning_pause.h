// The interactive-thinning pause: with Interactive Thinning set, a centre-line conversion stops
// after thinning with the work area, scratch files and thinned bit layer kept, so that the user
// can inspect and edit the skeleton ("Skeletonizing": "Thin More", "Cancel", "Done"), and the
// next Convert command resumes it with the choice made. The shell owns one ThinningPause (in
// the program record) and hands it to every Convert through ConversionJob::pause.
#pragma once

#include <memory>

#include "image/raster_image.h"
#include "platform/file_io.h"

namespace vl::engine {

// The buttons of the "Skeletonizing" window, with their codes.
enum class SkeletonChoice { kNone = 0, kDone = 1, kCancel = 2, kThinMore = 3 };

struct PausedCore;  // the conversion core as the pause left it (conversion_driver.cpp)

struct ThinningPause {
  ThinningPause();
  ~ThinningPause();
  ThinningPause(const ThinningPause&) = delete;
  ThinningPause& operator=(const ThinningPause&) = delete;

  // Set by the caller before resuming: the button pressed (kNone counts as Done), and whether
  // the bit layer was drawn on during the pause.
  SkeletonChoice choice = SkeletonChoice::kNone;
  bool drawnOn = false;

  // Thinning steps done so far ("No. of thinning steps =").
  int steps = 0;

  // From the first pause on (unless the backup lives in "memtemp" already) the unthinned copy
  // waits in "memtemp" and the backup layer holds the skeleton before the last Thin More: the
  // before-image that Thin More's undo exchanges with the bit layer. Done, Cancel and a stop
  // read the copy back (and record the undo step "Convert").
  bool backupSwapped = false;
  platform::FileHandle memtemp = platform::kNoFile;

  bool pending() const { return core != nullptr; }
  std::unique_ptr<PausedCore> core;
};

// Undo (`undo` true) or redo of Thin More while the pause waits: the bit layer and the backup
// exchanged, the junction list with the one kept, the step count one back or forward again.
// False, with nothing changed, when the pause holds no such step.
[[nodiscard]] bool SwapThinMore(ThinningPause& pause, image::RasterImage& image, bool undo);

}  // namespace vl::engine
