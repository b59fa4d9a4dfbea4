// The centre-line stage's entry and its tracing pass.
#include "engine/centerline.h"

#include <algorithm>

#include "base/message_table.h"
#include "base/progress.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/outline_assembly.h"
#include "engine/stage_seams.h"
#include "engine/thinning_pause.h"

namespace vl::engine {

namespace {

std::string SettingName(int message) { return std::string(msg::Text(message)); }

// The thick parts of the drawing (what survives the erosions, grown back inside the unthinned
// image) stay in the bit layer for the outline loop; "dgskel" keeps the centre lines of the
// rest. 0: the driver traces the thick parts now; else the pass has run or the stage stopped.
int SeparateThickParts(Tracer& t) {
  base::Runtime& rt = t.rt;
  rt.state.stageLabel = static_cast<std::int16_t>(msg::kProcessingLabel);
  ShowProgress(rt, 1, msg::Text(msg::kProcessingLabel));
  if (!SaveSkeleton(t)) return 1;
  for (int i = 0; i < t.constants.thickPartErosionCount; ++i) {
    if (PollAbort(rt)) return 1;
    if (!ErodeImage(t)) return RunCenterlinePass(t, 1);
  }
  if (!RemoveIsolatedPixels(t)) return RunCenterlinePass(t, 1);
  const int growths =
      t.constants.thickPartErosionCount + 2 * t.centerline.thinning.steps;
  for (int i = 0; i < growths; ++i)
    if (DilateWithinOriginal(t)) return 1;
  rt.state.stageLabel = static_cast<std::int16_t>(msg::kProcessingImageLabel);
  if (!SubtractFromSkeleton(t)) return 1;
  rt.state.tracerMode = 0;  // the thick parts are outlines
  return 0;
}

// The junction list of the thinned image, merged, with its used bits. False when the
// conversion must end (abort, or too many points: message 156, not shown in a batch run).
bool PrepareJunctions(Tracer& t) {
  base::Runtime& rt = t.rt;
  CenterlineState& c = t.centerline;
  switch (FindJunctions(rt, t.image, c.junctions)) {
    case JunctionScan::kAborted: return false;
    case JunctionScan::kTooMany:
      if (rt.app.batchRunning) base::RecordFailure(rt.state, msg::kTooManyJunctions);
      else ShowFailure(rt, msg::kTooManyJunctions);
      c.junctions.clear();
      return false;
    case JunctionScan::kDone: break;
  }
  return true;
}

// The pause applies with Interactive Thinning outside a colour conversion and a batch run,
// until Done has been chosen.
bool PauseApplies(const Tracer& t) {
  return t.settings.has(settings::kInteractiveThinning) && !t.colorPass() &&
         !t.rt.app.batchRunning && !t.centerline.done;
}

// Leaves the core with everything in place; the driver keeps the tracer for the next Convert.
int Pause(Tracer& t) {
  CenterlineState& c = t.centerline;
  c.paused = true;
  c.choice = 0;
  c.drawnOn = false;
  t.rt.app.interactiveThinningPaused = true;
  art::stashArtwork(t.art);  // the window shows the skeleton, not the art
  ShowProgress(t.rt, 0, "");
  return 1;
}

// After thinning (and any pause): the junction list made final, then the thick parts apart
// (with Outline) or the centre lines traced.
int ContinueAfterThinning(Tracer& t) {
  CenterlineState& c = t.centerline;
  MergeJunctions(c.junctions);
  ResetUsedBits(c.junctions);
  c.junctionsReady = true;
  if (t.settings.has(settings::kMethodOutline)) return SeparateThickParts(t);
  return RunCenterlinePass(t, -1);
}

// The next Convert after a pause: Cancel ends the conversion without paths; Thin More, or Done
// after the skeleton was drawn on, runs one more step quietly and finds the junctions again;
// Thin More then pauses again.
int Resume(Tracer& t) {
  base::Runtime& rt = t.rt;
  CenterlineState& c = t.centerline;
  c.paused = false;
  rt.app.interactiveThinningPaused = false;
  art::restoreArtwork(t.art);
  const auto choice = SkeletonChoice(c.choice == 0 ? int(SkeletonChoice::kDone) : c.choice);
  if (choice == SkeletonChoice::kCancel || rt.state.abortRequested) {
    rt.state.abortRequested = 1;  // the user's stop: no paths, no message
    return 1;
  }
  c.done = choice == SkeletonChoice::kDone;
  if (choice == SkeletonChoice::kThinMore || c.drawnOn) {
    ThinningState& th = c.thinning;
    th.halfPass = std::max(0, 2 * th.steps - 1);
    ++th.steps;
    th.band = {0, t.image.height - 1};  // the user may have drawn anywhere
    th.finished = false;
    if (RunThinning(rt, t.image, th, true)) return 1;
    if (!PrepareJunctions(t)) return 1;
    if (PauseApplies(t)) return Pause(t);
  }
  return ContinueAfterThinning(t);
}

}  // namespace

int TraceCenterlines(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  if (t.centerline.paused) return Resume(t);
  if (s.abortRequested) return 1;
  if (t.rt.app.selectionEdgeCommand) {
    s.tracerMode = 0;
    return 0;
  }
  const bool centerline = t.settings.has(settings::kMethodCenterline);
  // Recognised lines were written and taken out of the bit layer before this stage: what is
  // left is traced by the other methods chosen.
  if (!centerline && !t.colorPass()) return 0;
  // The colour boundary maps are thinned here too, for a stage this build lacks.
  if (t.colorPass()) {
    ShowNotAvailable(t.rt, SettingName(msg::kPosterizationSettingName));
    return 1;
  }
  s.tracerMode = 1;

  CenterlineState& c = t.centerline;
  FillOneHoles(t.image);
  c.thinning = ThinningState{};
  c.thinning.steps = ThinningSteps(t.settings.lineThinning);
  c.thinning.band = {0, t.image.height - 1};
  if (RunThinning(t.rt, t.image, c.thinning, false)) return 1;
  if (!PrepareJunctions(t)) return 1;
  if (PauseApplies(t)) return Pause(t);
  return ContinueAfterThinning(t);
}

int RunCenterlinePass(Tracer& t, int mode) {
  base::Runtime& rt = t.rt;
  base::ConversionState& s = rt.state;
  if (!t.colorPass() && !t.settings.has(settings::kMethodCenterline)) return 1;
  if (s.abortRequested) return 1;
  if (t.colorPass() || t.settings.has(settings::kSeparateShapes)) {
    ShowNotAvailable(rt, SettingName(msg::kSeparateShapesSettingName));
    return 1;
  }
  s.tracerMode = 1;
  if (mode >= 0 && !ReloadSkeleton(t)) return 1;

  art::Pen& pen = t.art.pen;
  pen.strokeWeightPoints = t.settings.uniformWeight / 100.0;
  t.centerline.currentWidth = -1.0;  // the first measurement sets the weight
  if (t.settings.has(settings::kWhiteLines)) {
    pen.color = art::kWhiteColor;
    pen.strokeType = art::PaintType::White;
  } else {
    pen.color = art::kBlackColor;
    pen.strokeType = art::PaintType::Black;
  }
  pen.fillType = art::PaintType::None;

  s.stageLabel = static_cast<std::int16_t>(msg::kCenterliningLabel);
  InitBoundaryScan(t);
  while (!PollAbort(rt)) {
    if (ExtractNextBoundary(t) == 0) break;
    if (TraceOutlinePolygon(t) && !PollAbort(rt)) {
      ComputeVertexAngles(t);
      FitOutline(t);
    }
    if (PollAbort(rt)) break;
    RestoreShapeArea(t);
  }
  return 1;
}

}  // namespace vl::engine
