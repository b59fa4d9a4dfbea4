// The path limit worked out ahead: which paths the artwork's discard passes would leave.
#include <functional>
#include <limits>
#include <queue>

#include "engine/color_shapes.h"

namespace vl::engine {

PathLimitPlan PlanPathLimit(std::span<const std::int32_t> oldLengths,
                            std::span<const std::int32_t> newLengths, std::int32_t maxPaths) {
  PathLimitPlan plan;
  plan.keepOld.assign(oldLengths.size(), true);
  plan.keepNew.assign(newLengths.size(), true);
  constexpr int kCeiling = std::numeric_limits<std::int16_t>::max() - art::kDiscardStep;
  const std::size_t olds = oldLengths.size();
  auto lengthOf = [&](std::size_t id) {
    return id < olds ? oldLengths[id] : newLengths[id - olds];
  };
  auto drop = [&](std::size_t id) {
    if (id < olds) plan.keepOld[id] = false;
    else plan.keepNew[id - olds] = false;
  };
  // The paths a pass may drop, shortest first; the path last begun is not among them yet.
  using Entry = std::pair<std::int32_t, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  for (std::size_t i = 0; i < olds; ++i) open.push({oldLengths[i], i});
  std::int64_t count = std::int64_t(olds);
  int minLength = 0;
  for (std::size_t k = 0; k < newLengths.size(); ++k) {
    const std::size_t id = olds + k;
    const bool previous = k > 0;
    // Beginning a path first drops the one before it when that is too short.
    if (previous && minLength != 0 && lengthOf(id - 1) < minLength) {
      drop(id - 1);
      --count;
    }
    while (count >= maxPaths) {
      if (count < art::kMinPathsForDiscard || minLength > kCeiling) {
        plan.fails = true;
        return plan;
      }
      minLength += art::kDiscardStep;
      plan.exceeded = true;
      while (!open.empty() && open.top().first < minLength) {
        drop(open.top().second);
        open.pop();
        --count;
      }
    }
    if (previous && (id - 1 < olds ? plan.keepOld[id - 1] : plan.keepNew[id - 1 - olds]))
      open.push({lengthOf(id - 1), id - 1});
    ++count;
  }
  plan.minPathLength = std::int16_t(minLength);
  return plan;
}

}  // namespace vl::engine
