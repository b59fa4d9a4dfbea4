// The artwork's lifetime: starting a conversion, freeing, deleting paths, the view stash, and
// the discard passes that make room when memory or the path count runs out.
#include <cstdint>
#include <limits>
#include <utility>

#include "base/message_table.h"
#include "art/artwork.h"

namespace vl::art {

namespace {

void ReleaseSlots(Artwork& art) {
  std::vector<PathRecord>().swap(art.paths);  // frees every point block with its record
  art.pathsCharge.release();
  art.capacity = 0;
}

// Keeps the indices that point into the slots valid after path `index` went away.
void ForgetIndex(Artwork& art, int index) {
  if (art.paths[index].flags & kSelected) --art.selectedCount;
  if (index < art.firstNewPath) --art.firstNewPath;
  if (art.currentPath == index) art.currentPath = kNoPath;
  else if (art.currentPath > index) --art.currentPath;
}

}  // namespace

bool initArtwork(Artwork& art, base::Runtime& rt) {
  rt.state.pathsSkippedForMemory = false;
  rt.state.maxPathsExceeded = false;
  art.minPathLength = 0;
  art.currentPath = kNoPath;
  if (art.stashedCount != 0) {
    // The new conversion adds to the art that was set aside.
    art.count = art.firstNewPath = art.stashedCount;
    art.stashedCount = 0;
    return true;
  }
  ReleaseSlots(art);
  art.count = 0;
  art.firstNewPath = 0;
  art.selectedCount = 0;
  if (!art.pathsCharge.allocate(rt.memory, kPathGrowthRecords * sizeof(PathRecord))) {
    base::ShowFailure(rt, msg::kInsufficientMemory);
    return false;
  }
  art.paths.resize(kPathGrowthRecords);
  art.capacity = kPathGrowthRecords;
  return true;
}

void freeArtwork(Artwork& art) {
  restoreArtwork(art);
  ReleaseSlots(art);
  art.count = 0;
  art.firstNewPath = 0;
  art.stashedCount = 0;
  art.selectedCount = 0;
  art.currentPath = kNoPath;
}

void deletePath(Artwork& art, int index) {
  if (index < 0 || index >= art.count) return;
  ForgetIndex(art, index);
  art.paths[index].points.release();
  for (int i = index; i + 1 < art.count; ++i) art.paths[i] = std::move(art.paths[i + 1]);
  art.paths[art.count - 1] = PathRecord{};
  --art.count;
  if (art.count == 0) ReleaseSlots(art);
}

void stashArtwork(Artwork& art) {
  // A second stash would overwrite the saved count with 0 and lose the paths.
  if (art.stashedCount != 0 || art.count == 0) return;
  art.stashedCount = art.count;
  art.count = 0;
}

void restoreArtwork(Artwork& art) {
  if (art.stashedCount == 0) return;
  art.count = art.stashedCount;
  art.stashedCount = 0;
}

bool DiscardShortPaths(Artwork& art, base::Runtime& rt, DiscardCause cause) {
  if (rt.state.abortRequested) return false;
  // The ceiling keeps minPathLength from wrapping, which would make the callers' retry loops
  // endless when the remaining paths are all long.
  constexpr int kCeiling = std::numeric_limits<std::int16_t>::max() - kDiscardStep;
  if (art.count < kMinPathsForDiscard || art.minPathLength > kCeiling) {
    base::ShowFailure(rt, msg::kDisposalFailed);
    rt.state.abortRequested = 1;
    return false;
  }
  art.minPathLength = std::int16_t(art.minPathLength + kDiscardStep);
  if (cause == DiscardCause::PathCount) rt.state.maxPathsExceeded = true;
  else rt.state.pathsSkippedForMemory = true;

  // One compacting sweep: deleting one path at a time would move the tail once per path.
  const int oldCount = art.count;
  const int oldCurrent = art.currentPath;
  const int oldFirstNew = art.firstNewPath;
  int kept = 0;
  for (int i = 0; i < oldCount; ++i) {
    PathRecord& path = art.paths[i];
    if (i != oldCurrent && pathLength(path, art.minPathLength) < art.minPathLength) {
      if (path.flags & kSelected) --art.selectedCount;
      if (i < oldFirstNew) --art.firstNewPath;
      path.points.release();
      continue;
    }
    if (i == oldCurrent) art.currentPath = kept;
    if (kept != i) art.paths[kept] = std::move(path);
    ++kept;
  }
  for (int i = kept; i < oldCount; ++i) art.paths[i] = PathRecord{};
  art.count = kept;
  return true;
}

}  // namespace vl::art
