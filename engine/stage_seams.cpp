// Entry points of the stages later changes add; see stage_seams.h for what each keeps.
#include "engine/stage_seams.h"

#include "base/message_table.h"
#include "image/posterization.h"

namespace vl::engine {

namespace {

// The missing stages by the names of their settings, as the setup dialogs show them.
std::string StageName(int message) { return std::string(msg::Text(message)); }
std::string CenterlineName() { return StageName(msg::kMethodCenterline); }
std::string LineRecognitionName() { return StageName(msg::kMethodLineRecognition); }

}  // namespace

std::string MissingStageName(const ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  // A colour conversion's boundary map is traced by shape separation.
  if (!image::IsBilevel(job.image) && s.has(settings::kColorConversion))
    return StageName(msg::kSeparateShapesSettingName);
  if (s.has(settings::kMethodCenterline)) return CenterlineName();
  if (s.has(settings::kMethodLineRecognition)) return LineRecognitionName();
  if (s.has(settings::kSeparateShapes)) return StageName(msg::kSeparateShapesSettingName);
  if (s.has(settings::kInteractiveThinning) || job.rt.app.interactiveThinningPaused)
    return StageName(msg::kInteractiveThinningSettingName);
  return {};
}

void ShowNotAvailable(base::Runtime& rt, std::string_view stageName) {
  const std::string name(stageName);
  rt.ui.showMessage(msg::Format(msg::kNotAvailableInThisBuild, name.c_str()));
  base::RecordFailure(rt.state, msg::kNotAvailableInThisBuild);
}

int RecordUndo(ConversionJob&, int) { return 1; }

int Posterize(ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  if (s.has(settings::kColorConversion)) {
    ShowNotAvailable(job.rt, StageName(msg::kSeparateShapesSettingName));
    return 0;
  }
  image::RasterImage& image = job.image;
  image::DropSelectionCapture(image);
  // Without memory for the copy of the mask the selection is dropped: the whole image converts.
  if (job.pixelSelection) static_cast<void>(image::CaptureSelection(image, job.rt.memory));
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

bool PrepareLineRecognizer(ConversionJob& job) {
  ShowNotAvailable(job.rt, LineRecognitionName());
  return false;
}

bool RunLineRecognizer(ConversionJob& job) {
  ShowNotAvailable(job.rt, LineRecognitionName());
  return false;
}

void FreeLineRecognizer(ConversionJob&) {}

int TraceCenterlines(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  if (s.abortRequested) return 1;
  if (t.rt.app.selectionEdgeCommand) {
    s.tracerMode = 0;
    return 0;
  }
  const bool centerline = t.settings.has(settings::kMethodCenterline);
  const bool lineRecognition = t.settings.has(settings::kMethodLineRecognition);
  if (!centerline && !lineRecognition && !t.colorPass()) return 0;
  ShowNotAvailable(t.rt, lineRecognition && !centerline ? LineRecognitionName() : CenterlineName());
  return 1;
}

int RunCenterlinePass(Tracer& t, int mode) {
  base::ConversionState& s = t.rt.state;
  if (mode > 0 && t.settings.has(settings::kMethodLineRecognition) && !s.abortRequested) {
    ShowNotAvailable(t.rt, LineRecognitionName());
    return 1;
  }
  if (!t.colorPass() && !t.settings.has(settings::kMethodCenterline)) return 1;
  if (s.abortRequested) return 1;
  ShowNotAvailable(t.rt, t.colorPass() ? StageName(msg::kSeparateShapesSettingName) : CenterlineName());
  return 1;
}

}  // namespace vl::engine
