// Entry points of the stages later changes add; see stage_seams.h for what each keeps.
#include "engine/stage_seams.h"

#include "base/message_table.h"
#include "engine/line_paths.h"
#include "image/posterization.h"

namespace vl::engine {

namespace {

// The missing stages by the names of their settings, as the setup dialogs show them.
std::string StageName(int message) { return std::string(msg::Text(message)); }

}  // namespace

std::string MissingStageName(const ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  if (s.has(settings::kSeparateShapes)) return StageName(msg::kSeparateShapesSettingName);
  // The pause needs the shell's record to wait in.
  if ((s.has(settings::kInteractiveThinning) || job.rt.app.interactiveThinningPaused) &&
      job.pause == nullptr)
    return StageName(msg::kInteractiveThinningSettingName);
  return {};
}

void ShowNotAvailable(base::Runtime& rt, std::string_view stageName) {
  const std::string name(stageName);
  rt.ui.showMessage(msg::Format(msg::kNotAvailableInThisBuild, name.c_str()));
  base::RecordFailure(rt.state, msg::kNotAvailableInThisBuild);
}

int Posterize(ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  if (s.has(settings::kColorConversion)) {
    ShowNotAvailable(job.rt, StageName(msg::kSeparateShapesSettingName));
    return 0;
  }
  image::RasterImage& image = job.image;
  image::DropSelectionCapture(image);
  // Without memory for the copy of the mask the selection is dropped: the whole image converts.
  if (image.pixelSelection) static_cast<void>(image::CaptureSelection(image, job.rt.memory));
  image::BlackAndWhiteOptions o;
  o.contrastMode = s.has(settings::kContrastMode);
  o.thresholdPercent = s.threshold;
  o.contrastPercent = s.contrast;
  o.boost = s.has(settings::kBoost);
  o.boostPercent = s.boostPercent;
  o.noiseReduction = s.noiseReduction;
  o.reversed = s.has(settings::kReverseImage) != s.has(settings::kWhiteLines);
  return image::ConvertToBlackAndWhite(image, job.rt, o) == image::PosterizeResult::kDone ? 1 : 0;
}

bool PrepareLineRecognizer(ConversionJob&) {
  // The recognizer makes its arrays as it runs (alone, or in the core before tracing).
  return true;
}

bool RunLineRecognizer(ConversionJob& job) { return RecognizeAndEmitLines(job); }

void FreeLineRecognizer(ConversionJob&) {}

}  // namespace vl::engine
