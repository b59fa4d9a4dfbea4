// The colour conversion's run: the image's classes and samples read row by row, the region
// map, the loops, and one filled path per region, the enclosing regions painted first.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "art/custom_color_match.h"
#include "base/message_table.h"
#include "base/progress.h"
#include "engine/color_shapes.h"

namespace vl::engine {

namespace {

// A simplified region boundary keeps within this distance of the pixel staircase (pixels).
constexpr double kBoundaryTolerance = 1.0;
// Bytes per pixel while the map is built: samples (up to 4), class, shade, label, edge marks.
// The width of the stroke that closes anti-aliasing seams between shapes (pixels).
constexpr double kSeamStrokePixels = 0.7;
constexpr std::size_t kBytesPerPixel = 4 + 1 + 2 + 4 + 2;

// Charges the working memory of the conversion to the budget for as long as it lives.
struct Charge {
  platform::MemoryBudget& budget;
  std::size_t bytes;
  bool held;
  Charge(platform::MemoryBudget& b, std::size_t n) : budget(b), bytes(n), held(b.reserve(n)) {}
  ~Charge() {
    if (held) budget.release(bytes);
  }
};

// With Use Custom Colors, each region's custom colour (or tint): its pixels vote for the
// nearest candidate. Empty when the table offers no choice; the shapes then keep their own
// colours. False when stopped.
bool ChooseCustomColors(const ConversionJob& job, const RegionMap& map,
                        const std::vector<std::uint8_t>& samples,
                        std::vector<std::optional<art::CustomColorChoice>>& chosen) {
  const settings::ConversionSettings& s = job.active;
  chosen.clear();
  if (!s.has(settings::kUseCustomColors) || job.customColors == nullptr ||
      map.samplesPerPixel < 3)
    return true;
  art::ColorMatchOptions options;
  options.taggedOnly = s.has(settings::kTaggedColorsOnly);
  options.tints = s.has(settings::kGenerateTints);
  options.samplesPerPixel = map.samplesPerPixel;
  const art::ColorCandidates candidates = art::MakeColorCandidates(*job.customColors, options);
  if (candidates.values.size() < 2) return true;
  std::vector<art::ColorVotes> votes(map.regions.size());
  for (art::ColorVotes& v : votes) v.counts.assign(candidates.values.size(), 0);
  const std::string_view label = msg::Text(art::CustomColorProgressMessage(options.tints));
  const std::size_t spp = std::size_t(map.samplesPerPixel);
  for (std::int32_t y = 0; y < map.height; ++y) {
    if (base::PollAbort(job.rt)) return false;
    base::ShowProgress(job.rt, 70 + int(std::int64_t(y) * 5 / std::max(map.height, 1)), label);
    for (std::int32_t x = 0; x < map.width; ++x) {
      const std::int32_t r = map.at(x, y);
      const std::size_t i = std::size_t(y) * std::size_t(map.width) + std::size_t(x);
      if (r >= 0) art::VoteForPixel(candidates, votes[std::size_t(r)], samples.data() + i * spp);
    }
  }
  chosen.resize(map.regions.size());
  for (std::size_t r = 0; r < votes.size(); ++r)
    chosen[r] = art::PickCustomColor(candidates, votes[r], *job.customColors);
  return true;
}

bool Stop(ConversionJob& job) {
  job.rt.state.colorPassActive = 0;
  job.rt.state.tracerMode = 0;
  return false;
}

}  // namespace

bool SeparateColorShapes(ConversionJob& job) {
  base::Runtime& rt = job.rt;
  const image::RasterImage& image = job.image;
  const settings::ConversionSettings& s = job.active;
  art::Artwork& art = job.art;
  const int spp = std::clamp<int>(image.samplesPerPixel, 1, 4);
  const std::int32_t w = image.width, h = image.height;
  const std::size_t pixels = std::size_t(w) * std::size_t(h);

  const Charge charge(rt.memory, pixels * kBytesPerPixel);
  if (!charge.held) {
    base::ShowFailure(rt, msg::kInsufficientMemory);
    return Stop(job);
  }

  const std::string_view posterizing = msg::Text(msg::kPosterizingLabel);
  base::ShowProgress(rt, 0, posterizing);
  image::ColorClasses classes;
  const int levels = image::LevelCount(s.complexity);
  if (spp == 1)
    image::BuildGrayClasses(levels, image.pixelSelection, classes);
  else if (image::BuildColorClasses(image, rt, levels, classes) != image::ClassesResult::kDone)
    return Stop(job);

  RegionMap map;
  std::vector<std::uint8_t> samples(pixels * std::size_t(spp));
  {
    std::vector<std::uint8_t> cls(pixels);
    std::vector<bool> excluded;
    const int steps = spp > 1 ? ShadeSteps(s.complexity) : 0;
    std::vector<std::uint16_t> shades(steps > 0 ? pixels : 0);
    if (image.pixelSelection) excluded.assign(pixels, false);
    std::vector<std::uint8_t> row(std::size_t(w + 1) * std::size_t(spp));
    for (std::int32_t y = 0; y < h; ++y) {
      if (base::PollAbort(rt)) return Stop(job);
      base::ShowProgress(rt, int(std::int64_t(y) * 50 / std::max(h, 1)), posterizing);
      static_cast<void>(image::readColorSpan(image, 0, y, w * spp, row.data()));
      const std::uint8_t* mask = image.pixelSelection ? image::BitRow(image, y) : nullptr;
      for (std::int32_t x = 0; x < w; ++x) {
        const std::size_t i = std::size_t(y) * std::size_t(w) + std::size_t(x);
        const std::uint8_t* px = row.data() + std::size_t(x) * std::size_t(spp);
        std::copy(px, px + spp, samples.begin() + std::ptrdiff_t(i * std::size_t(spp)));
        cls[i] = classes.classMap[std::size_t(image::PixelCell(px, spp))];
        if (steps > 0) shades[i] = PixelShade(px, spp, steps);
        if (mask != nullptr) excluded[i] = (mask[x >> 3] & (0x80 >> (x & 7))) == 0;
      }
    }
    if (LabelRegions(rt, w, h, spp, cls, samples, excluded, map, shades) != StageResult::kDone)
      return Stop(job);
  }

  const std::string_view processing = msg::Text(msg::kProcessingLabel);
  base::ShowProgress(rt, 60, processing);
  RegionOptions options;
  options.minRegionPixels = std::max(1, s.noiseSuppression / 100);
  if (s.has(settings::kLimitedColors)) options.maxColors = std::clamp<int>(s.maxColors, 2, 255);
  if (SimplifyRegions(rt, options, map) != StageResult::kDone) return Stop(job);

  std::vector<std::optional<art::CustomColorChoice>> customChoice;
  if (!ChooseCustomColors(job, map, samples, customChoice)) return Stop(job);
  samples = {};

  std::vector<Loop> loops;
  base::ShowProgress(rt, 75, processing);
  if (OuterLoops(rt, map, kBoundaryTolerance, loops) != StageResult::kDone) return Stop(job);
  map.label = {};

  // Enclosing regions first: an enclosed loop lies inside a hole and so has the smaller area.
  std::vector<double> area(loops.size());
  for (std::size_t i = 0; i < loops.size(); ++i) area[i] = std::abs(LoopArea(loops[i]));
  std::vector<std::size_t> order(loops.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return area[a] > area[b]; });

  rt.state.colorPassActive = 1;
  rt.state.tracerMode = -1;
  art::Pen& pen = art.pen;
  pen.fillType = art::PaintType::Process;
  pen.strokeType = art::PaintType::None;
  pen.artScale = image.artScale;
  pen.multiSample = spp > 1;
  art.firstNewPath = art.count;
  const double pointsPerPixel = image.xResolution > 0.0 ? 72.0 / image.xResolution : 1.0;
  const auto seamStroke = std::uint8_t(std::clamp(
      std::lround(kSeamStrokePixels * pointsPerPixel * 10.0), 1L, 255L));
  const std::string_view separating = msg::Text(msg::kSepShapesLabel);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Loop& loop = loops[order[k]];
    if (loop.size() < 3) continue;
    if ((k & 63) == 0) {
      if (base::PollAbort(rt)) return Stop(job);
      base::ShowProgress(rt, 80 + int(k * 20 / order.size()), separating);
    }
    pen.color = map.regions[order[k]].color;
    const bool custom = !customChoice.empty() && customChoice[order[k]].has_value();
    if (custom) art::UseCustomColorChoice(pen, *customChoice[order[k]]);
    pen.position = {loop[0].x / 2.0, loop[0].y / 2.0};
    if (!art::beginPath(art, rt, s)) return Stop(job);
    // Use Custom Colors paints Custom from the pen; a shape without a choice keeps its colour.
    if (!custom && art.paths[std::size_t(art.currentPath)].fillType == art::PaintType::Custom)
      art.paths[std::size_t(art.currentPath)].fillType = art::PaintType::Process;
    // A hairline of the shape's own colour along its outline: where two shapes meet on a
    // slant, an anti-aliasing renderer covers the boundary pixel partly by each and lets the
    // shape beneath (or the page) show through; the stroke closes that seam.
    art::PathRecord& path = art.paths[std::size_t(art.currentPath)];
    path.strokeType = path.fillType;
    path.strokeColor = path.fillColor;
    path.strokeCustomIndex = path.fillCustomIndex;
    path.strokeTint = path.fillTint;
    path.strokeWeight = seamStroke;
    for (std::size_t i = 1; i <= loop.size(); ++i) {
      const LatticePoint& p = loop[i % loop.size()];
      pen.position = {p.x / 2.0, p.y / 2.0};
      if (!art::addPoint(art, rt, false)) return Stop(job);
    }
  }
  art.currentPath = art::kNoPath;
  SplitSelfTouchingPaths(art, rt);
  OrderAndEliminateHidden(art, std::int32_t(2) << image.artScaleShift, job.eliminateHiddenPaths);
  rt.state.colorPassActive = 0;
  rt.state.tracerMode = 0;
  return base::PollAbort(rt) == 0;
}

}  // namespace vl::engine
