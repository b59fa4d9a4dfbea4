// Entry points of the stages later changes add; see stage_seams.h for what each keeps.
#include "engine/stage_seams.h"

#include "base/message_table.h"

namespace vl::engine {

namespace {

// Labels of the settings as the setup dialogs show them.
const std::string_view kPosterizationName = msg::Text(msg::kPosterizationSettingName);
const std::string_view kSeparateShapesName = msg::Text(msg::kSeparateShapesSettingName);
const std::string_view kInteractiveThinningName = msg::Text(msg::kInteractiveThinningSettingName);

std::string CenterlineName() { return std::string(msg::Text(msg::kMethodCenterline)); }
std::string LineRecognitionName() { return std::string(msg::Text(msg::kMethodLineRecognition)); }

}  // namespace

std::string MissingStageName(const ConversionJob& job) {
  const settings::ConversionSettings& s = job.active;
  if (!image::isBilevel(job.image)) return std::string(kPosterizationName);
  if (s.has(settings::kMethodCenterline)) return CenterlineName();
  if (s.has(settings::kMethodLineRecognition)) return LineRecognitionName();
  if (s.has(settings::kSeparateShapes)) return std::string(kSeparateShapesName);
  if (s.has(settings::kInteractiveThinning) || job.rt.app.interactiveThinningPaused)
    return std::string(kInteractiveThinningName);
  return {};
}

void ShowNotAvailable(base::Runtime& rt, std::string_view stageName) {
  const std::string name(stageName);
  rt.ui.showMessage(msg::Format(msg::kNotAvailableInThisBuild, name.c_str()));
  base::RecordFailure(rt.state, msg::kNotAvailableInThisBuild);
}

int RecordUndo(ConversionJob&, int) { return 1; }

int Posterize(ConversionJob& job) {
  ShowNotAvailable(job.rt, kPosterizationName);
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
  ShowNotAvailable(t.rt, t.colorPass() ? std::string(kSeparateShapesName) : CenterlineName());
  return 1;
}

}  // namespace vl::engine
