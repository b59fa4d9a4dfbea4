// Recognised lines as art: rectangles as closed paths, the other lines as two-anchor paths.
#include "engine/line_paths.h"

#include "art/artwork.h"
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

}  // namespace vl::engine
