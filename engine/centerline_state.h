// What the centre-line stage keeps for one conversion: the thinning state, the junction list,
// the width the stroke weight was last set from, and the sides of the current centre line that
// were written (to know a side that only runs back over them).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/junctions.h"
#include "engine/thinning.h"

namespace vl::engine {

// A polygon side, from (ax, ay) to (bx, by), pixels.
struct WrittenSide {
  std::int32_t ax = 0, ay = 0, bx = 0, by = 0;
};

// The sides written for the outline being fitted, found again by the cells their ends lie in.
class WrittenSides {
 public:
  static constexpr std::int32_t kCellPixels = 4;

  void clear() {
    sides_.clear();
    cells_.clear();
  }
  void add(const WrittenSide& s);
  // Sides with an end within `radius` pixels (per axis) of (x, y); may include farther ones.
  template <typename Fn>
  void forEachNear(std::int32_t x, std::int32_t y, std::int32_t radius, Fn&& fn) const {
    std::vector<std::size_t> seen;
    for (std::int32_t cy = Cell(y - radius); cy <= Cell(y + radius); ++cy)
      for (std::int32_t cx = Cell(x - radius); cx <= Cell(x + radius); ++cx) {
        auto it = cells_.find(Key(cx, cy));
        if (it == cells_.end()) continue;
        for (std::size_t index : it->second) {
          bool again = false;
          for (std::size_t s : seen) again = again || s == index;
          if (again) continue;
          seen.push_back(index);
          if (fn(sides_[index])) return;
        }
      }
  }

 private:
  static std::int32_t Cell(std::int32_t v) {
    return v >= 0 ? v / kCellPixels : -((-v + kCellPixels - 1) / kCellPixels);
  }
  static std::int64_t Key(std::int32_t cx, std::int32_t cy) {
    return (std::int64_t(cx) << 32) ^ std::int64_t(std::uint32_t(cy));
  }
  std::vector<WrittenSide> sides_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;
};

struct CenterlineState {
  ThinningState thinning;
  JunctionList junctions;
  bool junctionsReady = false;  // the list is final (merged, used bits allocated)
  double currentWidth = 0.0;    // the measured width the stroke weight was last set from
  bool pathBroken = false;      // a retraced side interrupted the path in progress
  bool anyPath = false;         // a path was begun for the current centre line
  WrittenSides written;
  // Outline assembly: the junction matched last by the junction check (an index, -1 none).
  std::int64_t lastJunction = -1;

  // Separate Shapes with Outline: the thick parts (rows of bitRowBytes), which bound areas too.
  std::vector<std::uint8_t> thickParts;
  // The widths measured along a separated area's outline, whose mean is its stroke weight.
  double widthSum = 0.0;
  int widthCount = 0;

  // The interactive-thinning pause: set while the stage waits, and what the user chose.
  bool paused = false;
  int choice = 0;  // SkeletonChoice: 1 Done, 2 Cancel, 3 Thin More
  bool drawnOn = false;
  bool done = false;  // Done was chosen: no further pause
};

}  // namespace vl::engine
