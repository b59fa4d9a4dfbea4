// Recognised lines as art: rectangles as closed paths, the other lines as two-anchor paths.
#include "engine/line_paths.h"

#include <algorithm>
#include <new>

#include "art/artwork.h"
#include "base/message_table.h"
#include "base/progress.h"
#include "base/conversion_state.h"

namespace vl::engine {

namespace {

constexpr double kPointsPerInch = 72.0;

// A pixel's centre on the page: pixel (x, y) is the square from (x, y) to (x + 1, y + 1).
art::PixelPoint Centre(std::int32_t x, std::int32_t y) { return {x + 0.5, y + 0.5}; }

void SetWeight(ConversionJob& job, std::int32_t widthPixels) {
  art::Pen& pen = job.art.pen;
  if (job.active.has(settings::kUniformLineWeight)) {
    pen.strokeWeightPoints = job.active.uniformWeight / 100.0;
  } else {
    const double resolution = job.image.yResolution > 0.0 ? job.image.yResolution : 72.0;
    pen.strokeWeightPoints = widthPixels * kPointsPerInch / resolution;
  }
}

bool WritePath(ConversionJob& job, std::initializer_list<art::PixelPoint> anchors) {
  art::Pen& pen = job.art.pen;
  auto p = anchors.begin();
  pen.position = *p;
  if (!art::beginPath(job.art, job.rt, job.active)) return false;
  for (++p; p != anchors.end(); ++p) {
    if (job.rt.state.abortRequested) return false;
    pen.position = *p;
    if (!art::addPoint(job.art, job.rt, false)) return false;
  }
  return true;
}

}  // namespace

std::int32_t ResolutionSum(const image::RasterImage& image) {
  const double sum = image.xResolution + image.yResolution;
  return sum >= 2.0 ? static_cast<std::int32_t>(sum) : 144;
}

void EmitRecognizedLines(ConversionJob& job, RecognizedLines& lines) {
  base::ConversionState& s = job.rt.state;
  const art::Pen savedPen = job.art.pen;  // the tracing that may follow paints its own way
  MergeCollinearLines(lines.horizontal, lines.q.mergeGap);
  MergeCollinearLines(lines.vertical, lines.q.mergeGap);
  const bool uniform = job.active.has(settings::kUniformLineWeight);
  const std::vector<RecognizedRectangle> rects =
      BuildRectangles(lines, ResolutionSum(job.image), uniform);
  const std::vector<StraightLine> rest = RemainingLines(lines);

  // Lines are strokes: their paths are left unfilled.
  const std::int16_t savedMode = s.tracerMode;
  s.tracerMode = 1;
  art::Pen& pen = job.art.pen;
  const bool white = job.active.has(settings::kWhiteLines);
  pen.color = white ? art::kWhiteColor : art::kBlackColor;
  pen.strokeType = white ? art::PaintType::White : art::PaintType::Black;
  pen.fillType = art::PaintType::None;
  bool ok = true;
  for (const RecognizedRectangle& r : rects) {
    if (!ok) break;
    SetWeight(job, r.width);
    ok = WritePath(job, {Centre(r.left, r.top), Centre(r.right, r.top), Centre(r.right, r.bottom),
                         Centre(r.left, r.bottom), Centre(r.left, r.top)});
  }
  for (const StraightLine& l : rest) {
    if (!ok) break;
    SetWeight(job, l.width);
    ok = WritePath(job, {Centre(l.x1, l.y1), Centre(l.x2, l.y2)});
  }
  s.tracerMode = savedMode;
  const art::PixelPoint at = job.art.pen.position;
  job.art.pen = savedPen;
  job.art.pen.position = at;
}

bool RecognizeAndEmitLines(ConversionJob& job) {
  image::RasterImage& image = job.image;
  const BitPlaneView plane{image::BitRow(image, 0), image.bitRowBytes, image.paddedWidth,
                           image.height};
  RecognizedLines lines;
  if (RecognizeLines(plane, ResolutionSum(image), job.rt, lines) == LineScanOutcome::kNoMemory)
    return false;
  // After a stop the lines found so far are still written.
  const std::int16_t abort = job.rt.state.abortRequested;
  job.rt.state.abortRequested = 0;
  EmitRecognizedLines(job, lines);
  if (abort != 0) job.rt.state.abortRequested = abort;
  return true;
}

bool RecognizeAndRemoveLines(ConversionJob& job, Tracer& t) {
  image::RasterImage& image = job.image;
  const BitPlaneView plane{image::BitRow(image, 0), image.bitRowBytes, image.paddedWidth,
                           image.height};
  t.lines = RecognizedLines{};
  if (RecognizeLines(plane, ResolutionSum(image), job.rt, t.lines) == LineScanOutcome::kNoMemory)
    return false;
  const std::int16_t abort = job.rt.state.abortRequested;
  job.rt.state.abortRequested = 0;
  EmitRecognizedLines(job, t.lines);
  if (abort != 0) {
    job.rt.state.abortRequested = abort;
    return true;  // stopped: nothing more is traced
  }
  try {
    t.linesRemoved.assign(static_cast<std::size_t>(image.bitRowBytes) *
                              static_cast<std::size_t>(std::max(image.height, 0)),
                          0);
  } catch (const std::bad_alloc&) {
    base::ShowFailure(job.rt, msg::kInsufficientMemory);
    job.rt.state.abortRequested = 1;
    return false;
  }
  RemoveRecognizedLines(t.lines, plane,
                        {t.linesRemoved.data(), image.bitRowBytes, image.paddedWidth,
                         image.height});
  return true;
}

bool RunsAlongRecognizedLine(const Tracer& t, art::PixelPoint a, art::PixelPoint b) {
  if (t.linesRemoved.empty()) return false;
  auto along = [](const std::vector<LineEntry>& list, double centreA, double centreB,
                  double posA, double posB) {
    if (centreA != centreB) return false;
    return std::any_of(list.begin(), list.end(), [&](const LineEntry& e) {
      return e.state != LineState::kMerged && e.centre == centreA &&
             std::min(posA, posB) >= e.start && std::max(posA, posB) <= e.end;
    });
  };
  return along(t.lines.horizontal, a.y, b.y, a.x, b.x) ||
         along(t.lines.vertical, a.x, b.x, a.y, b.y);
}

LineSnap SnapVertexToLines(Tracer& t, std::int32_t x, std::int32_t y) {
  if (t.rt.state.tracerMode <= 0 || t.linesRemoved.empty()) return {0, x, y};
  return SnapToRecognizedLines(t.lines, x, y, [&t](std::int32_t px, std::int32_t py) {
    return BackupPixel(t, px, py);
  });
}

}  // namespace vl::engine
