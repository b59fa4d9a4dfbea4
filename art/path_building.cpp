// Building paths: beginPath chooses a new path's paint and stores its first anchor, addPoint
// appends lines and curves, growing the slots and point arrays and discarding short paths
// when memory or the path count runs out.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/message_table.h"
#include "art/artwork.h"

namespace vl::art {

namespace {

bool GrowPathTable(Artwork& art, platform::MemoryBudget& memory) {
  const std::int64_t newCapacity = std::int64_t(art.capacity) + kPathGrowthRecords;
  if (newCapacity > std::numeric_limits<std::int32_t>::max()) return false;
  const std::size_t bytes = std::size_t(newCapacity) * sizeof(PathRecord);
  const bool charged = art.pathsCharge.empty() ? art.pathsCharge.allocate(memory, bytes)
                                               : art.pathsCharge.resize(bytes);
  if (!charged) return false;
  art.paths.resize(std::size_t(newCapacity));
  art.capacity = static_cast<std::int32_t>(newCapacity);
  return true;
}

// Makes room for one more segment (six words) in the current path.
bool ReservePointWords(Artwork& art, base::Runtime& rt) {
  while (art.paths[art.currentPath].usedWords + 6 >= art.paths[art.currentPath].capacityWords) {
    PathRecord& path = art.paths[art.currentPath];
    if (path.capacityWords == kMaxPointWords) {
      // The word counts are 16-bit: a longer path cannot be stored, and truncating it would
      // leave a wrong outline behind, so the conversion stops.
      if (!rt.state.abortRequested) base::ShowFailure(rt, msg::kInsufficientMemory);
      rt.state.abortRequested = 1;
      return false;
    }
    const int words = std::min<int>(path.capacityWords + kPointGrowthWords, kMaxPointWords);
    const std::size_t bytes = std::size_t(words) * sizeof(std::uint16_t);
    const bool grown = path.points.empty() ? path.points.allocate(rt.memory, bytes)
                                           : path.points.resize(bytes);
    if (grown) {
      path.capacityWords = std::uint16_t(words);
      continue;
    }
    // The pass never deletes the current path, but it moves it: the loop looks it up again.
    if (!DiscardShortPaths(art, rt, DiscardCause::Memory)) return false;
  }
  return true;
}

void ChoosePaint(Artwork& art, base::Runtime& rt, const settings::ConversionSettings& settings,
                 PathRecord& path) {
  const Pen& pen = art.pen;
  if (!rt.state.colorPassActive) {
    path.fillType = pen.fillType;
    path.strokeType = pen.strokeType;
    if (rt.app.selectionEdgeCommand && settings.has(settings::kMethodCenterline)) {
      path.fillType = PaintType::None;
      path.strokeType = PaintType::Black;
      path.strokeColor = kBlackColor;
    }
  } else {
    path.strokeType = PaintType::None;
    path.fillType = pen.fillType;
    if (settings.has(settings::kUseCustomColors) && pen.multiSample) {
      path.fillType = PaintType::Custom;
    } else if (settings.has(settings::kAddNewColors) && settings.has(settings::kLimitedColors) &&
               pen.multiSample && art.createCustomColor) {
      if (std::optional<std::uint16_t> index = art.createCustomColor(pen.color)) {
        path.fillType = PaintType::Custom;
        path.fillCustomIndex = *index;
        path.fillTint = 255;
        return;
      }
    }
  }
  // A Custom paint taken from the pen needs the pen's colour reference, or it would name
  // custom colour 0 at zero strength.
  if (path.fillType == PaintType::Custom) {
    path.fillCustomIndex = pen.customIndex;
    path.fillTint = pen.tint;
  }
  if (path.strokeType == PaintType::Custom) {
    path.strokeCustomIndex = pen.customIndex;
    path.strokeTint = pen.tint;
  }
}

std::uint8_t StrokeWeightTenths(double points) {
  const double tenths = points * 10.0;
  if (!(tenths > 0.0)) return 0;  // also NaN
  return std::uint8_t(std::min(tenths, 255.0));
}

}  // namespace

std::uint16_t ControlToArt(double pixels, double artScale) {
  double v = pixels * artScale + 0.5;
  if (!(v > 0.0)) return 0;  // a control point may overshoot the image; NaN too
  return std::uint16_t(std::min(v, double(kMaxCoordinate)));
}

std::uint16_t AnchorToArt(double pixels, double artScale) {
  double v = pixels * artScale;
  if (!(v > 0.0)) return 0;
  return std::uint16_t(std::min(v, double(kMaxCoordinate)));
}

void widenBounds(PathRecord& path, std::int32_t x, std::int32_t y) {
  path.left = std::min(path.left, x - kBoundsMargin);
  path.right = std::max(path.right, x + kBoundsMargin);
  path.top = std::min(path.top, y - kBoundsMargin);
  path.bottom = std::max(path.bottom, y + kBoundsMargin);
}

void widenBounds(Artwork& art, std::int32_t x, std::int32_t y) {
  if (art.currentPath < 0 || art.currentPath >= art.count) return;
  widenBounds(art.paths[art.currentPath], x, y);
}

void replaceLastAnchor(Artwork& art, std::int32_t x, std::int32_t y) {
  if (art.currentPath < 0 || art.currentPath >= art.count) return;
  PathRecord& path = art.paths[art.currentPath];
  if (path.usedWords < 2) return;
  auto* words = path.points.as<std::uint16_t>();
  const std::size_t at = path.usedWords - 2u;
  words[at] = std::uint16_t(std::clamp(x, 0, kMaxCoordinate));
  words[at + 1] = std::uint16_t((words[at + 1] & kCurveBit) | std::clamp(y, 0, kMaxCoordinate));
}

bool setPathWords(PathRecord& path, base::Runtime& rt, std::span<const std::uint16_t> words) {
  if (words.size() > kMaxPointWords) return false;
  platform::Block block;
  if (!words.empty() && !block.allocate(rt.memory, words.size() * sizeof(std::uint16_t)))
    return false;
  std::copy(words.begin(), words.end(), block.as<std::uint16_t>());
  path.points = std::move(block);
  path.capacityWords = path.usedWords = std::uint16_t(words.size());
  path.left = path.top = kMaxCoordinate;
  path.right = path.bottom = 0;
  for (std::size_t at = 0; at + 1 < words.size(); at += (words[at] & kCurveBit) ? 6 : 2)
    widenBounds(path, words[at] & kCoordinateMask, words[at + 1] & kCoordinateMask);
  return true;
}

bool appendPath(Artwork& art, base::Runtime& rt, const PathRecord& like,
                std::span<const std::uint16_t> words) {
  if (art.count == art.capacity && !GrowPathTable(art, rt.memory)) return false;
  PathRecord path;
  path.fillColor = like.fillColor;
  path.strokeColor = like.strokeColor;
  path.flags = like.flags;
  path.fillCustomIndex = like.fillCustomIndex;
  path.strokeCustomIndex = like.strokeCustomIndex;
  path.fillTint = like.fillTint;
  path.strokeTint = like.strokeTint;
  path.strokeWeight = like.strokeWeight;
  path.fillType = like.fillType;
  path.strokeType = like.strokeType;
  if (!setPathWords(path, rt, words)) return false;
  art.paths[std::size_t(art.count)] = std::move(path);
  ++art.count;
  return true;
}

bool beginPath(Artwork& art, base::Runtime& rt, const settings::ConversionSettings& settings) {
  // A path begun over stashed art would overwrite it: append to it instead.
  restoreArtwork(art);

  if (art.minPathLength != 0 && art.count > 0 &&
      pathLength(art.paths[art.count - 1], art.minPathLength) < art.minPathLength) {
    deletePath(art, art.count - 1);
  }
  while (art.count >= art.maxPaths) {
    if (!DiscardShortPaths(art, rt, DiscardCause::PathCount)) return false;
  }
  if (art.count == art.capacity && !GrowPathTable(art, rt.memory)) {
    while (art.count >= art.capacity) {
      if (!DiscardShortPaths(art, rt, DiscardCause::Memory)) return false;
    }
  }

  PathRecord& path = art.paths[art.count];
  path = PathRecord{};
  path.left = path.top = kMaxCoordinate;
  path.fillColor = path.strokeColor = art.pen.color;
  ChoosePaint(art, rt, settings, path);
  if (rt.state.tracerMode != 0 && !rt.state.colorPassActive) path.flags |= kUnfilled;
  if (rt.state.tracerMode < 0) path.flags |= kGrouped;
  path.strokeWeight = StrokeWeightTenths(art.pen.strokeWeightPoints);

  art.currentPath = art.count;
  ++art.count;
  if (addPoint(art, rt, false)) return true;
  // No room even for the first anchor: leave no empty path behind.
  deletePath(art, art.currentPath);
  return false;
}

bool addPoint(Artwork& art, base::Runtime& rt, bool curve) {
  if (art.currentPath < 0 || art.currentPath >= art.count) return false;
  if (!ReservePointWords(art, rt)) return false;

  PathRecord& path = art.paths[art.currentPath];
  const Pen& pen = art.pen;
  auto* words = path.points.as<std::uint16_t>();
  std::uint16_t used = path.usedWords;
  // The first anchor has no segment before it, so it cannot end a curve.
  const bool asCurve = curve && used >= 2;
  if (asCurve) {
    words[used - 2] |= kCurveBit;
    words[used++] = ControlToArt(pen.control1.x, pen.artScale);
    words[used++] = ControlToArt(pen.control1.y, pen.artScale);
    words[used++] = ControlToArt(pen.control2.x, pen.artScale);
    words[used++] = ControlToArt(pen.control2.y, pen.artScale);
  }
  const std::uint16_t x = AnchorToArt(pen.position.x, pen.artScale);
  const std::uint16_t y = AnchorToArt(pen.position.y, pen.artScale);
  words[used++] = x;
  words[used++] = std::uint16_t(y | (asCurve ? kCurveBit : 0));
  path.usedWords = used;
  widenBounds(path, x, y);
  return true;
}

}  // namespace vl::art
