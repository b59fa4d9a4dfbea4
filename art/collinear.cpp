// Removal of redundant anchors after a conversion: an anchor joined by lines on both sides
// that lies between its neighbours on a horizontal or vertical line adds nothing to the shape.
#include <algorithm>
#include <cstring>

#include "art/anchor_walk.h"
#include "art/artwork.h"

namespace vl::art {

namespace {

constexpr std::uint16_t kMinWordsToExamine = 8;  // four anchors; three cannot lose one

bool Between(std::int32_t v, std::int32_t a, std::int32_t b) {
  return std::min(a, b) <= v && v <= std::max(a, b);
}

void RemoveFromPath(PathRecord& path) {
  auto* data = path.points.as<std::uint16_t>();
  std::size_t used = PointWords(path).size();
  std::size_t at = detail::NextAnchor({data, used}, 0);
  while (true) {
    std::span<const std::uint16_t> words{data, used};
    if (!detail::HasAnchorAt(words, at)) return;
    const std::size_t next = detail::NextAnchor(words, at);
    if (!detail::HasAnchorAt(words, next)) return;  // `at` is the last anchor: kept
    // A line arriving means the previous anchor sits right before this one.
    const bool linesOnBothSides = !(words[at] & kCurveBit) && !(words[at + 1] & kCurveBit);
    const std::size_t previous = at - 2;
    const std::int32_t x = detail::X(words, at), y = detail::Y(words, at);
    const std::int32_t px = detail::X(words, previous), py = detail::Y(words, previous);
    const std::int32_t nx = detail::X(words, next), ny = detail::Y(words, next);
    const bool onAxisLine = (px == x && nx == x && Between(y, py, ny)) ||
                            (py == y && ny == y && Between(x, px, nx));
    if (!linesOnBothSides || !onAxisLine) {
      at = next;
      continue;
    }
    std::memmove(data + at, data + at + 2, (used - at - 2) * sizeof(std::uint16_t));
    used -= 2;
    path.usedWords = std::uint16_t(used);
    // The previous anchor now has a new neighbour and may have become redundant itself; the
    // first anchor is never removed, so the walk then goes on from the anchor moved into `at`.
    if (previous > 0) at = previous;
  }
}

}  // namespace

void removeCollinearAnchors(Artwork& art) {
  for (int i = 0; i < art.count; ++i) {
    PathRecord& path = art.paths[i];
    if (path.usedWords >= kMinWordsToExamine && !path.points.empty()) RemoveFromPath(path);
  }
}

}  // namespace vl::art
