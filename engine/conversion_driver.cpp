// The Convert command, the conversion core and the outline loop.
#include "engine/conversion_driver.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "art/custom_color_table.h"
#include "base/message_table.h"
#include "engine/centerline.h"
#include "engine/color_shapes.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/line_paths.h"
#include "engine/outline_assembly.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "engine/stage_seams.h"
#include "engine/tracing_backup.h"
#include "engine/work_area.h"
#include "image/posterization.h"

namespace vl::engine {

namespace {

// Below this budget the shape mask gives its memory to the work area; below the second the
// conversion cannot run at all (bytes).
constexpr std::size_t kComfortableWorkAreaBytes = 1024;
constexpr std::size_t kSmallestWorkAreaBytes = 256;

// The noise setting is in hundredths of a pixel; a record has 4 header bytes and an end byte.
constexpr int kNoiseThresholdBase = 4;

// What the conversion came to, read from the state it left: a recorded failure (message 1000
// being a refusal), else the abort flag (the user's stop), else the art and the discard flags.
ConversionOutcome OutcomeOf(const base::ConversionState& s, const art::Artwork& art) {
  if (s.failureMessage == msg::kNotAvailableInThisBuild)
    return {ConversionResult::kRefused, s.failureMessage};
  if (s.failureMessage != 0) return {ConversionResult::kFailed, s.failureMessage};
  if (s.abortRequested) return {ConversionResult::kStopped, 0};
  if (art.count == 0) return {ConversionResult::kNoPathsFound, msg::kNoPathsFound};
  if (s.pathsSkippedForMemory)
    return {ConversionResult::kConvertedPathsDiscarded, msg::kMemoryRanLow};
  if (s.maxPathsExceeded)
    return {ConversionResult::kConvertedPathsDiscarded, msg::kMaxPathsExceeded};
  return {ConversionResult::kConverted, 0};
}

void UseBlackPaint(art::Pen& pen) {
  pen.color = art::kBlackColor;
  pen.fillType = art::PaintType::Black;
  pen.strokeType = art::PaintType::None;
}

// White Lines: a black rectangle over the whole image, the artwork's first path, under the
// traced paths, which are then painted white.
void DrawWhiteLinesFrame(ConversionJob& job) {
  base::Runtime& rt = job.rt;
  art::Pen& pen = job.art.pen;
  UseBlackPaint(pen);
  rt.state.colorPassActive = 0;
  rt.state.tracerMode = 0;
  rt.state.tracerX = 0;
  rt.state.tracerY = 0;
  pen.position = {0.0, 0.0};
  if (!art::beginPath(job.art, rt, job.active)) return;
  // Page coordinates: the far edges of the last column and row.
  const double right = job.image.paddedWidth;  // pixels
  const double bottom = job.image.height;       // pixels
  const art::PixelPoint corners[] = {{right, 0.0}, {right, bottom}, {0.0, bottom}, {0.0, 0.0}};
  for (const art::PixelPoint& corner : corners) {
    if (rt.state.abortRequested) return;
    pen.position = corner;
    if (!art::addPoint(job.art, rt, false)) return;
  }
}

// Preparation of the core once the backup is set aside: paint, state, shape mask, work area and the
// tracer's copy of the bit layer. False when the conversion must wind down at once.
bool PrepareCore(ConversionJob& job, Tracer& t) {
  base::Runtime& rt = job.rt;
  base::ConversionState& s = rt.state;
  image::RasterImage& image = job.image;

  UseBlackPaint(job.art.pen);
  job.art.pen.strokeWeightPoints = 0.0;
  s.scratch = base::ScratchHandles{};
  s.maskInImage = false;
  s.tracerMode = 0;

  s.maskInImage = !image::allocateSpareLayer(image, rt.memory);

  const auto rowBytes = static_cast<std::size_t>(image.bitRowBytes);
  std::size_t budget = WorkAreaBudget(rt, rowBytes, s.workAreaCapBytes);
  if (budget < kComfortableWorkAreaBytes) {
    image.spareLayer.release();
    s.maskInImage = true;
    budget = WorkAreaBudget(rt, rowBytes, s.workAreaCapBytes);
    if (budget < kSmallestWorkAreaBytes) {
      ShowFailure(rt, msg::kInsufficientMemory);
      return false;
    }
  }
  if (!AllocateWorkArea(rt, rowBytes, budget, t.area)) {
    ShowFailure(rt, msg::kInsufficientMemory);
    return false;
  }
  t.attachWindows();
  return RefreshTracingBackup(job);
}

// The wind-down of the core, also after an abort or a failed preparation.
void WindDown(ConversionJob& job, Tracer& t) {
  base::Runtime& rt = job.rt;
  RestoreBitLayer(job);
  // "memtemp" belongs to the image (its backup) and stays; a copy made for this conversion
  // alone was deleted above.
  CleanUpScratchFiles(rt, false);
  t.chain.reset();
  t.points.reset();
  t.vertices.reset();
  t.area.block.release();
  if (!rt.state.maskInImage) job.image.spareLayer.release();
}

// The bit layer of a posterized gray scale or colour image becomes its selection mask again
// (Convert Selection Edge traced the mask itself and posterized nothing).
void RestoreMaskAfterPosterizing(ConversionJob& job) {
  if (!image::IsBilevel(job.image) && !job.rt.app.selectionEdgeCommand)
    image::RestoreSelectionMask(job.image);
}

// The end of a Convert command once the core is done: the line recognizer's arrays freed,
// collinear anchors removed, the closing message, the bit layer inverted back.
ConversionOutcome FinishConvert(ConversionJob& job, bool resumed) {
  base::Runtime& rt = job.rt;
  base::ConversionState& s = rt.state;
  art::Artwork& art = job.art;
  if (job.active.has(settings::kMethodLineRecognition)) FreeLineRecognizer(job);
  art::removeCollinearAnchors(art);
  rt.app.converting = false;
  ShowProgress(rt, 0, "");

  if (!s.abortRequested && !rt.app.batchRunning) {
    if (s.pathsSkippedForMemory)
      ShowMessage(rt, msg::kMemoryRanLow);
    else if (s.maxPathsExceeded)
      ShowMessage(rt, msg::kMaxPathsExceeded);
  }

  if (job.inverted) {
    image::invertBitLayer(job.image);
    job.inverted = false;
  }
  ResyncBackupAfterInversion(job);
  RestoreMaskAfterPosterizing(job);
  rt.app.artPresent = art.count > 0;
  if (art.count == 0 && !s.abortRequested && !resumed) ShowMessage(rt, msg::kNoPathsFound);
  return OutcomeOf(s, art);
}

}  // namespace

// The core kept across an interactive-thinning pause, with its own copy of the runtime bundle
// (its references name the program's records, which outlive the pause).
struct PausedCore {
  PausedCore(const base::Runtime& runtime, ConversionJob& job)
      : rt(runtime), tracer(rt, job.image, job.art, job.active, job.constants) {}
  base::Runtime rt;
  Tracer tracer;
  bool inverted = false;
  TracingBackup backup;
  JunctionList junctionsBefore;  // the list before the last Thin More, for its undo
};

ThinningPause::ThinningPause() = default;
ThinningPause::~ThinningPause() { platform::CloseFile(memtemp); }

namespace {

// The first pause: the unthinned copy in the backup slot goes to "memtemp", and the slot takes
// the skeleton. Skipped (no Thin More undo) when the slot is on disk or no file can be had.
void SwapBackupForSkeleton(ConversionJob& job, ThinningPause& pause) {
  image::RasterImage& image = job.image;
  if (image.backupOnDisk || job.backup.ownFile || job.backup.parkedOnDisk ||
      image.backupLayer.size() != image.bitLayer.size() || image.bitLayer.empty())
    return;
  platform::FileHandle file = base::CreateScratchFile(job.rt, "memtemp");
  if (file == platform::kNoFile) return;
  const std::size_t n = image.backupLayer.size();
  if (platform::WriteBytes(file, image.backupLayer.data(), n) != n) {
    platform::CloseFile(file);
    base::DeleteScratchFile(job.rt, "memtemp");
    return;
  }
  if (job.undo) art::DiscardUndo(*job.undo);
  std::memcpy(image.backupLayer.data(), image.bitLayer.data(), n);
  pause.memtemp = file;
  pause.backupSwapped = true;
}

// The unthinned copy back into the backup slot, "memtemp" closed and deleted. A short read
// leaves the conversion to wind down with message 13.
void ReadBackUnthinned(ConversionJob& job, ThinningPause& pause) {
  if (!pause.backupSwapped) return;
  image::RasterImage& image = job.image;
  const std::size_t n = image.backupLayer.size();
  if (!platform::SeekTo(pause.memtemp, 0) ||
      platform::ReadBytes(pause.memtemp, image.backupLayer.data(), n) != n) {
    base::ShowFailure(job.rt, msg::kScratchDiskFull);
    job.rt.state.abortRequested = 1;
  }
  platform::CloseFile(pause.memtemp);
  base::DeleteScratchFile(job.rt, "memtemp");
  pause.backupSwapped = false;
}

// Resuming with the backup swapped: Thin More records its undo step and keeps the bit layer and
// the junction list as they are now; Done, Cancel and a stop record "Convert" and take the
// unthinned copy back before the conversion goes on or winds down.
void BeforeResume(ConversionJob& job, PausedCore& core, SkeletonChoice choice) {
  ThinningPause& pause = *job.pause;
  if (!pause.backupSwapped) return;
  const art::UndoDocument doc{job.image, job.art, true};
  if (choice == SkeletonChoice::kThinMore && !job.rt.state.abortRequested) {
    if (job.undo && art::RecordUndo(*job.undo, doc, job.rt, art::kUndoOpThinMore) != 0) {
      art::FinishUndo(*job.undo, true);
      std::memcpy(job.image.backupLayer.data(), job.image.bitLayer.data(), job.image.bitLayer.size());
      core.junctionsBefore = core.tracer.centerline.junctions;
    }
    return;
  }
  if (job.undo && !job.rt.state.abortRequested &&
      art::RecordUndo(*job.undo, doc, job.rt, art::kUndoOpConvert) != 0)
    art::FinishUndo(*job.undo, true);
  ReadBackUnthinned(job, pause);
}

}  // namespace

bool SwapThinMore(ThinningPause& pause, image::RasterImage& image, bool undo) {
  if (!pause.pending() || !pause.backupSwapped || image.bitLayer.empty() ||
      image.backupLayer.size() != image.bitLayer.size())
    return false;
  ThinningState& th = pause.core->tracer.centerline.thinning;
  if (undo && th.steps <= 0) return false;
  image.bitLayer.swap(image.backupLayer);
  std::swap(pause.core->tracer.centerline.junctions, pause.core->junctionsBefore);
  th.steps += undo ? -1 : 1;
  pause.steps = th.steps;
  return true;
}

int NoiseThresholdBytes(const settings::ConversionSettings& s) {
  return s.noiseSuppression / 100 + kNoiseThresholdBase;
}

bool RunOutlineLoop(Tracer& t) {
  base::Runtime& rt = t.rt;
  rt.state.stageLabel = static_cast<std::int16_t>(msg::kOutliningLabel);
  InitBoundaryScan(t);
  const int threshold = NoiseThresholdBytes(t.settings);
  for (;;) {
    const int length = ExtractNextBoundary(t);
    if (length == 0) break;
    if (length > threshold) {
      if (PollAbort(rt)) return false;
      // A false result without an abort would leave a partial vertex list: skip the shape.
      const bool built = TraceOutlinePolygon(t);
      if (PollAbort(rt)) return false;
      if (built) {
        ComputeVertexAngles(t);
        if (PollAbort(rt)) return false;
        FitOutline(t);
        if (PollAbort(rt)) return false;
      }
    }
    RestoreShapeArea(t);
  }
  return rt.state.abortRequested == 0;
}

ConversionOutcome RunConversionCore(ConversionJob& job) {
  base::Runtime& rt = job.rt;
  std::unique_ptr<PausedCore> core;
  const bool resuming = job.pause != nullptr && job.pause->pending();
  if (resuming) {
    // Back from the interactive-thinning pause: the core as it was left, with the choice made.
    core = std::move(job.pause->core);
    job.inverted = core->inverted;
    job.backup = std::move(core->backup);
    core->tracer.centerline.choice = int(job.pause->choice);
    core->tracer.centerline.drawnOn = job.pause->drawnOn;
    BeforeResume(job, *core, job.pause->choice == SkeletonChoice::kNone ? SkeletonChoice::kDone
                                                                      : job.pause->choice);
    job.pause->choice = SkeletonChoice::kNone;
    job.pause->drawnOn = false;
  } else {
    if (rt.state.abortRequested) return OutcomeOf(rt.state, job.art);
    SetBackupAside(job);
    core = std::make_unique<PausedCore>(rt, job);
    core->tracer.fit.fitMode = job.fitMode;
  }

  Tracer& t = core->tracer;
  // With Outline or Centerline the recognised lines are written first and taken out of the
  // bit layer; the tracing backup keeps them for painting and snapping.
  const bool linesFirst = !resuming && job.active.has(settings::kMethodLineRecognition) &&
                          !rt.state.colorPassActive && !rt.app.selectionEdgeCommand;
  if ((resuming || (PrepareCore(job, t) && (!linesFirst || RecognizeAndRemoveLines(job, t)))) &&
      TraceCenterlines(t) == 0) {
    // The image window is redrawn here by the shell.
    if (RunOutlineLoop(t)) RunCenterlinePass(t, 0);
  }
  if (t.centerline.paused && job.pause != nullptr) {
    // Paused: the work area, scratch files and the thinned bit layer stay for the next call.
    if (!resuming) SwapBackupForSkeleton(job, *job.pause);
    core->inverted = job.inverted;
    core->backup = std::move(job.backup);
    job.pause->steps = t.centerline.thinning.steps;
    job.pause->core = std::move(core);
    return {ConversionResult::kPaused, 0};
  }
  if (job.pause != nullptr) ReadBackUnthinned(job, *job.pause);  // a Thin More that was stopped
  WindDown(job, t);
  return OutcomeOf(rt.state, job.art);
}

namespace {

// A colour conversion: the image's regions become stacked filled paths; the bit layer (the
// selection mask) is only read.
ConversionOutcome ConvertColor(ConversionJob& job) {
  base::Runtime& rt = job.rt;
  art::Artwork& art = job.art;
  if (art::initArtwork(art, rt)) {
    rt.app.converting = true;
    static_cast<void>(SeparateColorShapes(job));
    if (rt.app.beepAfterConversion) rt.ui.beep();
    rt.app.converting = false;
    ShowProgress(rt, 0, "");
    const base::ConversionState& s = rt.state;
    if (!s.abortRequested && !rt.app.batchRunning) {
      if (s.pathsSkippedForMemory)
        ShowMessage(rt, msg::kMemoryRanLow);
      else if (s.maxPathsExceeded)
        ShowMessage(rt, msg::kMaxPathsExceeded);
    }
  }
  rt.app.artPresent = art.count > 0;
  if (art.count == 0 && !rt.state.abortRequested && rt.state.failureMessage == 0)
    ShowMessage(rt, msg::kNoPathsFound);
  return OutcomeOf(rt.state, art);
}

// The Convert command once its undo step is recorded.
ConversionOutcome ConvertRecorded(ConversionJob& job) {
  base::Runtime& rt = job.rt;
  base::ConversionState& s = rt.state;
  image::RasterImage& image = job.image;
  art::Artwork& art = job.art;
  const settings::ConversionSettings& active = job.active;

  job.backup = TracingBackup{};  // nothing of an earlier command's copy carries over
  job.inverted = false;
  if (art.count > 0 || art.stashedCount > 0) art::freeArtwork(art);
  s.abortRequested = 0;
  s.failureMessage = 0;
  s.colorPassActive = 0;
  job.constants =
      settings::ComputeConversionConstants(active, image.xResolution, image.yResolution);
  UseBlackPaint(art.pen);
  art.pen.artScale = image.artScale;
  art.pen.multiSample = image.samplesPerPixel > 1;

  const bool bilevel = image::IsBilevel(image);
  if (!bilevel && active.has(settings::kColorConversion) && !rt.app.selectionEdgeCommand)
    return ConvertColor(job);
  // Convert Selection Edge traces the bit layer as it stands: on a gray scale or colour image
  // that is the selection mask, so nothing is posterized.
  if (!bilevel && !rt.app.selectionEdgeCommand) {
    job.dialog = job.active;
    if (Posterize(job) == 0) return OutcomeOf(s, art);
  }

  if (art::initArtwork(art, rt)) {
    const bool whiteLines = active.has(settings::kWhiteLines);
    job.inverted = bilevel && whiteLines != active.has(settings::kReverseImage);
    if (job.inverted) image::invertBitLayer(image);
    rt.app.converting = true;  // the shell disables its menus while this is set
    if (whiteLines) DrawWhiteLinesFrame(job);

    const bool lineRecognition = active.has(settings::kMethodLineRecognition);
    const bool outline = active.has(settings::kMethodOutline);
    const bool centerline = active.has(settings::kMethodCenterline);
    const bool lineRecognizerAlone =
        lineRecognition && !outline && !centerline && !s.colorPassActive;
    if (lineRecognition && !outline && !s.colorPassActive) PrepareLineRecognizer(job);
    if (lineRecognizerAlone) {
      RunLineRecognizer(job);
    } else {
      // The outcome is read once the command has wound down: rewriting the backup may still fail.
      static_cast<void>(RunConversionCore(job));
      // A pause ends the command here; the next Convert resumes it.
      if (job.pause != nullptr && job.pause->pending()) return {ConversionResult::kPaused, 0};
      if (rt.app.beepAfterConversion) rt.ui.beep();
    }
    // The shell updates the window title, redraws and restores the scroll state.
    return FinishConvert(job, false);
  }

  RestoreMaskAfterPosterizing(job);
  rt.app.artPresent = art.count > 0;
  if (art.count == 0 && !s.abortRequested) ShowMessage(rt, msg::kNoPathsFound);
  return OutcomeOf(s, art);
}

// The custom-colour checks of a colour conversion, before anything changes. Limited Colors
// that add a custom colour per new colour ask first when the table could overflow: OK turns
// the adding off for this conversion (`addNewColors` returned false), Cancel ends the command.
// Use Custom Colors needs two colours to choose from (two tagged ones with Tagged Colors Only).
// nullopt: the conversion may go on.
std::optional<ConversionOutcome> CheckCustomColors(ConversionJob& job, bool& addNewColors) {
  const settings::ConversionSettings& s = job.active;
  addNewColors = s.has(settings::kAddNewColors);
  if (image::IsBilevel(job.image) || job.image.samplesPerPixel < 2 ||
      !s.has(settings::kColorConversion) || job.rt.app.selectionEdgeCommand)
    return std::nullopt;
  const std::size_t defined = job.customColors != nullptr ? job.customColors->size() : 0;
  if (addNewColors && s.has(settings::kLimitedColors) && !s.has(settings::kUseCustomColors) &&
      std::size_t(std::max<std::int32_t>(s.maxColors, 0)) + defined > art::kMaxCustomColors) {
    if (job.rt.ui.askOkCancel(msg::Text(msg::kAutoColorsExceedSpace)) != platform::kAnswerOk)
      return ConversionOutcome{ConversionResult::kStopped, 0};
    addNewColors = false;
  }
  if (s.has(settings::kUseCustomColors)) {
    const bool taggedOnly = s.has(settings::kTaggedColorsOnly);
    std::size_t usable = 0;
    if (job.customColors != nullptr)
      for (const art::CustomColor& c : *job.customColors) usable += !taggedOnly || c.tagged;
    if (usable < 2) {
      const int message = taggedOnly ? msg::kTooFewTaggedColors : msg::kTooFewCustomColors;
      ShowMessage(job.rt, message);
      return ConversionOutcome{ConversionResult::kFailed, message};
    }
  }
  return std::nullopt;
}

// Clears addNewColors in the settings in force while it lives, when the check said so.
struct AddNewColorsOff {
  settings::ConversionSettings& active;
  bool wasOn;
  AddNewColorsOff(settings::ConversionSettings& s, bool keep)
      : active(s), wasOn(s.has(settings::kAddNewColors)) {
    if (!keep) active.set(settings::kAddNewColors, false);
  }
  ~AddNewColorsOff() { active.set(settings::kAddNewColors, wasOn); }
};

}  // namespace

ConversionOutcome Convert(ConversionJob& job) {
  if (job.pause != nullptr && job.pause->pending()) {
    // Resuming the interactive-thinning pause: the preparation, and the undo step, were done
    // by the first call.
    static_cast<void>(RunConversionCore(job));
    if (job.pause->pending()) return {ConversionResult::kPaused, 0};
    return FinishConvert(job, true);
  }
  // Stages this build lacks: refuse before anything changes.
  const std::string missing = MissingStageName(job);
  if (!missing.empty()) {
    ShowNotAvailable(job.rt, missing);
    return {ConversionResult::kRefused, msg::kNotAvailableInThisBuild};
  }
  bool addNewColors = true;
  if (std::optional<ConversionOutcome> ended = CheckCustomColors(job, addNewColors)) return *ended;
  const AddNewColorsOff addingOff(job.active, addNewColors);
  if (job.undo == nullptr) return ConvertRecorded(job);
  const art::UndoDocument doc{job.image, job.art, true};
  if (art::RecordUndo(*job.undo, doc, job.rt, art::kUndoOpConvert) == 0) {
    art::FinishUndo(*job.undo, false);
    return {ConversionResult::kStopped, 0};
  }
  const ConversionOutcome outcome = ConvertRecorded(job);
  // A conversion that failed or was stopped leaves undo as it was.
  art::FinishUndo(*job.undo, outcome.ranToEnd());
  return outcome;
}

}  // namespace vl::engine
