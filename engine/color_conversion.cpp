// The colour conversion's run: the image's classes and samples read row by row, the region
// map, the loops, and one filled path per region, the enclosing regions painted first.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "art/custom_color_match.h"
#include "base/message_table.h"
#include "base/progress.h"
#include "engine/color_shapes.h"
#include "image/bit_row.h"

namespace vl::engine {

namespace {

// A simplified region boundary keeps within this distance of the pixel staircase (pixels).
constexpr double kBoundaryTolerance = 1.0;
// The corners a filled path can hold, with room to spare in its 16-bit word count.
constexpr std::size_t kMaxLoopPoints = (art::kMaxPointWords - 64) / 2;
// The width of the stroke that closes anti-aliasing seams between shapes (pixels).
constexpr double kSeamStrokePixels = 0.7;
// Pixels per byte of memory that grows with the image besides the label tiles and the area
// records (both bounded by their budgets): the boundary search marks two edges a pixel, one bit
// each. Its sections grow with the length of the regions' boundaries, which noise makes long;
// they are not charged.
constexpr std::size_t kPixelsPerByte = 4;

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
  std::vector<std::uint8_t> line((std::size_t(map.width) + 1) * spp);
  for (std::int32_t y = 0; y < map.height; ++y) {
    if (base::PollAbort(job.rt)) return false;
    base::ShowProgress(job.rt, 70 + int(std::int64_t(y) * 5 / std::max(map.height, 1)), label);
    static_cast<void>(
        image::readColorSpan(job.image, 0, y, map.width * map.samplesPerPixel, line.data()));
    for (std::int32_t x = 0; x < map.width; ++x) {
      const std::int32_t r = map.at(x, y);
      if (r >= 0) art::VoteForPixel(candidates, votes[std::size_t(r)], line.data() + std::size_t(x) * spp);
    }
  }
  chosen.resize(map.regions.size());
  for (std::size_t r = 0; r < votes.size(); ++r)
    chosen[r] = art::PickCustomColor(candidates, votes[r], *job.customColors);
  return true;
}

// Color averaging off: each region takes the colour most of its pixels share. One pass over
// the rows; a region's count lives from its first row to its last. False when stopped.
bool UseDominantColors(ConversionJob& job, RegionMap& map) {
  const int spp = map.samplesPerPixel;
  std::vector<std::vector<std::int32_t>> endingAt(std::size_t(std::max(map.height, 0)));
  for (std::size_t r = 0; r < map.regions.size(); ++r)
    if (map.regions[r].pixels > 0)
      endingAt[std::size_t(map.regions[r].bottom)].push_back(std::int32_t(r));
  std::unordered_map<std::int32_t, DominantColorCount> open;
  std::vector<std::uint8_t> line((std::size_t(map.width) + 1) * std::size_t(spp));
  for (std::int32_t y = 0; y < map.height; ++y) {
    if (base::PollAbort(job.rt)) return false;
    static_cast<void>(image::readColorSpan(job.image, 0, y, map.width * spp, line.data()));
    for (std::int32_t x = 0; x < map.width; ++x) {
      const std::int32_t r = map.at(x, y);
      if (r < 0) continue;
      open.try_emplace(r, spp).first->second.add(line.data() + std::size_t(x) * std::size_t(spp));
    }
    for (const std::int32_t r : endingAt[std::size_t(y)]) {
      auto it = open.find(r);
      if (it == open.end()) continue;
      const std::uint32_t color = it->second.result();
      std::uint32_t samples[4] = {0, 0, 0, 0};
      for (int c = 0; c < spp; ++c) samples[c] = color >> (8 * c) & 0xFF;
      map.regions[std::size_t(r)].color = ColorWordOfSamples(samples, spp);
      open.erase(it);
    }
  }
  return true;
}

// The length of the path a loop becomes (its anchors in art units, the first one again at the
// end), as art::pathLength measures it.
constexpr std::int32_t kLongestLength = std::numeric_limits<std::int32_t>::max();
std::int32_t ArtLength(const Loop& loop, double artScale) {
  std::int64_t sum = 0;
  auto toArt = [&](const LatticePoint& p) {
    return std::pair<int, int>{art::AnchorToArt(p.x / 2.0, artScale),
                               art::AnchorToArt(p.y / 2.0, artScale)};
  };
  std::pair<int, int> previous = toArt(loop[0]);
  for (std::size_t i = 1; i <= loop.size(); ++i) {
    const std::pair<int, int> at = toArt(loop[i % loop.size()]);
    sum += std::abs(at.first - previous.first) + std::abs(at.second - previous.second);
    previous = at;
  }
  return std::int32_t(std::min<std::int64_t>(sum, kLongestLength));
}

// Deletes the paths of earlier conversions that `keep` does not keep, in one compacting sweep.
void DropOldPaths(art::Artwork& art, const std::vector<bool>& keep) {
  int kept = 0;
  const int count = art.count;
  for (int i = 0; i < count; ++i) {
    art::PathRecord& path = art.paths[std::size_t(i)];
    if (!keep[std::size_t(i)]) {
      if (path.flags & art::kSelected) --art.selectedCount;
      path.points.release();
      continue;
    }
    if (kept != i) art.paths[std::size_t(kept)] = std::move(path);
    ++kept;
  }
  for (int i = kept; i < count; ++i) art.paths[std::size_t(i)] = art::PathRecord{};
  art.count = kept;
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

  RegionOptions options;
  options.minRegionPixels = std::max(1, s.noiseSuppression / 100);
  if (s.has(settings::kLimitedColors)) options.maxColors = std::clamp<int>(s.maxColors, 2, 255);
  // More regions than the path limit allows: the smallest join their neighbours here, which
  // keeps every pixel under a shape; discarding their paths would leave holes (the page
  // showing through where no enclosing shape lies beneath).
  options.maxRegions = std::size_t(std::max<std::int32_t>(art.maxPaths, 1));
  options.maxAreaRecords = AreaRecordBudget(job.labelPaging, w, options.maxRegions);

  const Charge charge(rt.memory, pixels / kPixelsPerByte +
                                     std::min(pixels * 4, job.labelPaging.memoryBytes) +
                                     std::min(pixels, options.maxAreaRecords) * kAreaRecordBytes);
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

  // The image is read row by row, once, and never copied: classes and shades come from the
  // samples as each row arrives.
  RegionMap map;
  {
    const int steps = spp > 1 ? ShadeSteps(s.complexity) : 0;
    std::vector<std::uint8_t> line(std::size_t(w + 1) * std::size_t(spp));
    std::int32_t rowsRead = 0;
    const LabelRowSource rows = [&](std::int32_t y, LabelRow& row) {
      base::ShowProgress(rt, int(std::int64_t(rowsRead++) * 50 / std::max(h, 1)), posterizing);
      static_cast<void>(image::readColorSpan(image, 0, y, w * spp, line.data()));
      const std::uint8_t* mask = image.pixelSelection ? image::BitRow(image, y) : nullptr;
      for (std::int32_t x = 0; x < w; ++x) {
        const std::uint8_t* px = line.data() + std::size_t(x) * std::size_t(spp);
        row.cls[std::size_t(x)] = classes.classMap[std::size_t(image::PixelCell(px, spp))];
        row.shade[std::size_t(x)] = steps > 0 ? PixelShade(px, spp, steps) : 0;
        row.excluded[std::size_t(x)] = mask != nullptr && image::BitAt(mask, x) == 0;
      }
      std::copy_n(line.begin(), std::size_t(w) * std::size_t(spp), row.samples.begin());
      return true;
    };
    if (LabelAndMergeByRows(rt, w, h, spp, rows, options, map, job.labelPaging) !=
        StageResult::kDone)
      return Stop(job);
  }

  const std::string_view processing = msg::Text(msg::kProcessingLabel);
  base::ShowProgress(rt, 60, processing);
  if (SimplifyRegions(rt, options, map) != StageResult::kDone) return Stop(job);
  if (map.mergedForLimit) rt.state.maxPathsExceeded = true;

  // With a colour limit the classes keep their mean colours, so that no more colours come out.
  if (s.has(settings::kColorAveragingOff) && spp > 1 && !s.has(settings::kLimitedColors) &&
      !UseDominantColors(job, map))
    return Stop(job);

  std::vector<std::optional<art::CustomColorChoice>> customChoice;
  if (!ChooseCustomColors(job, map, customChoice)) return Stop(job);

  std::vector<Loop> loops;
  base::ShowProgress(rt, 75, processing);
  if (OuterLoops(rt, map, kBoundaryTolerance, loops) != StageResult::kDone) return Stop(job);
  map.label.release();

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
  const double pointsPerPixel = image.xResolution > 0.0 ? 72.0 / image.xResolution : 1.0;
  const auto seamStroke = std::uint8_t(std::clamp(
      std::lround(kSeamStrokePixels * pointsPerPixel * 10.0), 1L, 255L));
  const std::string_view separating = msg::Text(msg::kSepShapesLabel);
  // Each outline as it will be written, and its length as the path limit measures it.
  std::vector<std::size_t> written;
  std::vector<std::int32_t> lengths;
  for (std::size_t k = 0; k < order.size(); ++k) {
    Loop& loop = loops[order[k]];
    // A path holds at most kMaxPointWords words (two per corner): a longer outline (the
    // ground of a large, busy picture) is simplified further, at the price of its boundary
    // no longer matching its neighbours' exactly; they are painted over it.
    for (double tolerance = 2 * kBoundaryTolerance; loop.size() > kMaxLoopPoints;
         tolerance *= 2)
      loop = SimplifyLoop(loop, tolerance);
    if (loop.size() < 3) continue;
    written.push_back(order[k]);
    lengths.push_back(ArtLength(loop, image.artScale));
  }
  // The path limit: the paths its discard passes would drop are dropped now (the earlier
  // conversions' ones too) and never built.
  std::vector<std::int32_t> oldLengths;
  for (int i = 0; i < art.count; ++i)
    oldLengths.push_back(art::pathLength(art.paths[std::size_t(i)], kLongestLength));
  PathLimitPlan plan;
  plan.fails = true;
  if (art.minPathLength == 0) plan = PlanPathLimit(oldLengths, lengths, art.maxPaths);
  if (!plan.fails) DropOldPaths(art, plan.keepOld);
  art.firstNewPath = art.count;
  for (std::size_t j = 0; j < written.size(); ++j) {
    if ((j & 63) == 0) {
      if (base::PollAbort(rt)) return Stop(job);
      base::ShowProgress(rt, 80 + int(j * 20 / written.size()), separating);
    }
    if (!plan.fails && !plan.keepNew[j]) continue;
    const std::size_t r = written[j];
    const Loop& loop = loops[r];
    pen.color = map.regions[r].color;
    const bool custom = !customChoice.empty() && customChoice[r].has_value();
    if (custom) art::UseCustomColorChoice(pen, *customChoice[r]);
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
  if (!plan.fails) {
    art.minPathLength = plan.minPathLength;
    if (plan.exceeded) rt.state.maxPathsExceeded = true;
  }
  art.currentPath = art::kNoPath;
  SplitSelfTouchingPaths(art, rt);
  OrderAndEliminateHidden(art, std::int32_t(2) << image.artScaleShift, job.eliminateHiddenPaths);
  rt.state.colorPassActive = 0;
  rt.state.tracerMode = 0;
  return base::PollAbort(rt) == 0;
}

}  // namespace vl::engine
