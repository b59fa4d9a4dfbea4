// Read-only views and measures of paths: the point words, closedness, anchor counts, lengths,
// selection bounds and the memory the artwork holds.
#include <algorithm>
#include <cstdlib>

#include "art/anchor_walk.h"
#include "art/artwork.h"

namespace vl::art {

using detail::HasAnchorAt;
using detail::NextAnchor;
using detail::X;
using detail::Y;

std::span<const PathRecord> PathsInUse(const Artwork& art) {
  return {art.paths.data(), std::size_t(std::max<int>(art.count, 0))};
}

std::span<const std::uint16_t> PointWords(const PathRecord& path) {
  if (path.points.empty()) return {};
  const std::size_t words = std::min<std::size_t>(path.usedWords, path.points.size() / 2);
  return {path.points.as<std::uint16_t>(), words};
}

bool IsClosed(const PathRecord& path) {
  std::span<const std::uint16_t> words = PointWords(path);
  if (words.size() < 4) return false;
  const std::size_t last = words.size() - 2;
  return X(words, 0) == X(words, last) && Y(words, 0) == Y(words, last);
}

int anchorCount(const PathRecord& path) {
  std::span<const std::uint16_t> words = PointWords(path);
  if (words.size() < 3) return 0;
  int segments = 0;
  for (std::size_t at = NextAnchor(words, 0); HasAnchorAt(words, at); at = NextAnchor(words, at)) {
    ++segments;
  }
  return IsClosed(path) ? segments : segments + 1;
}

long totalAnchors(const Artwork& art) {
  long sum = 0;
  for (const PathRecord& path : PathsInUse(art)) sum += anchorCount(path);
  return sum;
}

long selectedAnchors(const Artwork& art) {
  long sum = 0;
  for (const PathRecord& path : PathsInUse(art)) {
    if (path.flags & kSelected) sum += anchorCount(path);
  }
  return sum;
}

std::int32_t pathLength(const PathRecord& path, std::int32_t limit) {
  std::span<const std::uint16_t> words = PointWords(path);
  std::int32_t sum = 0;
  if (!HasAnchorAt(words, 0)) return sum;
  std::size_t previous = 0;
  for (std::size_t at = NextAnchor(words, 0); HasAnchorAt(words, at); at = NextAnchor(words, at)) {
    sum += std::abs(X(words, at) - X(words, previous)) + std::abs(Y(words, at) - Y(words, previous));
    if (sum >= limit) return limit;
    previous = at;
  }
  return sum;
}

long memoryUsedKB(const Artwork& art) {
  long bytes = long(art.capacity) * long(sizeof(PathRecord)) + 512;
  for (const PathRecord& path : art.paths) bytes += long(path.capacityWords) * 2;
  return bytes / 1024;
}

std::optional<ArtBounds> SelectedArtBounds(const Artwork& art) {
  std::optional<ArtBounds> bounds;
  for (const PathRecord& path : PathsInUse(art)) {
    if (!(path.flags & kSelected)) continue;
    if (!bounds) {
      bounds = ArtBounds{path.left, path.top, path.right, path.bottom};
      continue;
    }
    bounds->left = std::min(bounds->left, path.left);
    bounds->top = std::min(bounds->top, path.top);
    bounds->right = std::max(bounds->right, path.right);
    bounds->bottom = std::max(bounds->bottom, path.bottom);
  }
  return bounds;
}

}  // namespace vl::art
