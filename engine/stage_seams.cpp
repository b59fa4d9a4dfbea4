// Entry points of the stages later changes add; see stage_seams.h for what each keeps.
#include "engine/stage_seams.h"

#include "base/message_table.h"

namespace vl::engine {

namespace {

// The missing stages by the names of their settings, as the setup dialogs show them.
std::string StageName(int message) { return std::string(msg::Text(message)); }
std::string CenterlineName() { return StageName(msg::kMethodCenterline); }
std::string LineRecognitionName() { return StageName(msg::kMethodLineRecognition); }

}  // namespace

std::string MissingStageName(const ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  // Convert Selection Edge traces the selection mask itself: no colour pass.
  if (!image::IsBilevel(job.image) && !job.rt.app.selectionEdgeCommand)
    return StageName(msg::kPosterizationSettingName);
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

int Posterize(ConversionJob& job) {
  ShowNotAvailable(job.rt, StageName(msg::kPosterizationSettingName));
  return 0;
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
