// Separate Shapes on a bilevel image: after thinning, every area the centre lines (and the
// thick parts, with Outline) enclose becomes a closed path of its own. Each area is grown by
// one pixel, so that it reaches the middle of the lines around it, and its outline is traced
// with the line tracer's junctions, so neighbouring areas meet at the same points; the lines
// it covers leave the skeleton, and what is left there (lines that border no area) is traced
// as centre lines afterwards.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "base/message_table.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "engine/bit_plane.h"
#include "engine/centerline.h"
#include "engine/curve_fitting.h"
#include "engine/edge_extraction.h"
#include "engine/outline_assembly.h"
#include "engine/separated_shapes.h"
#include "platform/file_io.h"

namespace vl::engine {

namespace {

struct PixelBox {
  std::int32_t left = 0, top = 0, right = -1, bottom = -1;  // inclusive
  void extend(std::int32_t l, std::int32_t r, std::int32_t y) {
    if (right < left) {
      *this = {l, y, r, y};
      return;
    }
    left = std::min(left, l);
    right = std::max(right, r);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
};

struct Seed {
  std::int32_t x, y;
};

// Moves the 4-connected area of `from` that holds (x, y) into `to` (when given), span by span,
// and widens `box` by it. The stack holds one seed per run of ink met above or below a span.
void MoveArea(const BitPlaneView& from, const BitPlaneView* to, std::int32_t x, std::int32_t y,
              PixelBox& box, std::vector<Seed>& stack) {
  stack.clear();
  stack.push_back({x, y});
  while (!stack.empty()) {
    const Seed s = stack.back();
    stack.pop_back();
    std::uint8_t* row = from.row(s.y);
    if (!BitAt(row, s.x)) continue;
    std::int32_t l = s.x, r = s.x;
    while (l > 0 && BitAt(row, l - 1)) --l;
    while (r + 1 < from.widthPixels && BitAt(row, r + 1)) ++r;
    for (std::int32_t i = l; i <= r; ++i) {
      ClearBitAt(row, i);
      if (to != nullptr) SetBitAt(to->row(s.y), i);
    }
    box.extend(l, r, s.y);
    for (const std::int32_t ny : {s.y - 1, s.y + 1}) {
      if (ny < 0 || ny >= from.heightRows) continue;
      const std::uint8_t* next = from.row(ny);
      for (std::int32_t i = l; i <= r; ++i)
        if (BitAt(next, i) && (i == l || !BitAt(next, i - 1))) stack.push_back({i, ny});
    }
  }
}

// Each byte's pixels ORed with their left and right neighbours (the bytes beside the range
// are taken as empty).
void Widen(const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t c = in[i];
    out[i] = std::uint8_t(c | c >> 1 | c << 1 | (i > 0 ? in[i - 1] << 7 : 0) |
                          (i + 1 < n ? in[i + 1] >> 7 : 0));
  }
}

// The byte columns and rows an area grown by `margin` pixels covers, clipped to the plane.
struct ByteArea {
  std::int32_t firstByte = 0, lastByte = -1, top = 0, bottom = -1;
};
ByteArea AreaAround(const PixelBox& b, std::int32_t margin, const BitPlaneView& plane,
                    bool wholeWords) {
  ByteArea a;
  const std::int32_t x0 = std::max(b.left - margin, 0);
  const std::int32_t x1 = std::min(b.right + margin, plane.widthPixels - 1);
  a.firstByte = wholeWords ? (x0 >> 4) * 2 : x0 >> 3;
  a.lastByte = std::min(wholeWords ? (x1 >> 4) * 2 + 1 : x1 >> 3, plane.rowBytes - 1);
  a.top = std::max(b.top - margin, 0);
  a.bottom = std::min(b.bottom + margin, plane.heightRows - 1);
  return a;
}

// Grows the area inside `box` of `plane` by a 3 x 3 square, in place. The box must lie at
// least one pixel inside the plane.
void Dilate(const BitPlaneView& plane, const PixelBox& box) {
  const ByteArea a = AreaAround(box, 1, plane, false);
  const auto n = std::size_t(a.lastByte - a.firstByte + 1);
  const std::int32_t rows = a.bottom - a.top + 1;
  std::vector<std::uint8_t> widened(std::size_t(rows) * n);
  for (std::int32_t r = 0; r < rows; ++r)
    Widen(plane.row(a.top + r) + a.firstByte, &widened[std::size_t(r) * n], n);
  for (std::int32_t r = 0; r < rows; ++r) {
    std::uint8_t* out = plane.row(a.top + r) + a.firstByte;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint8_t v = widened[std::size_t(r) * n + i];
      if (r > 0) v |= widened[std::size_t(r - 1) * n + i];
      if (r + 1 < rows) v |= widened[std::size_t(r + 1) * n + i];
      out[i] = v;
    }
  }
}

// "dgskel" loses the pixels of the grown area (the lines it covers). False on a file failure.
bool RemoveFromSkeleton(Tracer& t, const BitPlaneView& canvas, const PixelBox& box) {
  base::Runtime& rt = t.rt;
  const platform::FileHandle file = rt.state.scratch.dgskel;
  const ByteArea a = AreaAround(box, 1, canvas, false);
  const auto n = std::size_t(a.lastByte - a.firstByte + 1);
  std::vector<std::uint8_t> row(n);
  for (std::int32_t y = a.top; y <= a.bottom; ++y) {
    const std::int64_t at = std::int64_t(y) * canvas.rowBytes + a.firstByte;
    if (!platform::SeekTo(file, at) || platform::ReadBytes(file, row.data(), n) != n) return false;
    const std::uint8_t* grown = canvas.row(y) + a.firstByte;
    for (std::size_t i = 0; i < n; ++i) row[i] &= std::uint8_t(~grown[i]);
    if (!platform::SeekTo(file, at) || base::CheckedWrite(rt, file, row.data(), n) != n)
      return false;
  }
  return true;
}

// Traces the outer boundary of the grown area, the only thing in the bit layer, as one path.
// False when the conversion must end.
bool TraceArea(Tracer& t, const PixelBox& grown) {
  base::Runtime& rt = t.rt;
  rt.state.currentRow = grown.top;
  t.scanWord = 0;
  if (ExtractNextBoundary(t) == 0) return rt.state.abortRequested == 0;
  if (PollAbort(rt)) return false;
  if (TraceOutlinePolygon(t) && !PollAbort(rt)) {
    ComputeVertexAngles(t);
    if (!PollAbort(rt)) FitOutline(t);
  }
  RestoreShapeArea(t);
  return PollAbort(rt) == 0;
}

}  // namespace

std::size_t AddContactJunctions(JunctionList& list, const std::uint8_t* lines,
                                const std::uint8_t* thick, std::int32_t rowBytes,
                                std::int32_t width, std::int32_t height) {
  if (list.size() < 2 || list.size() >= kMaxContactListPoints) return 0;
  const std::size_t room = kMaxContactListPoints - list.size();
  auto row = [rowBytes](const std::uint8_t* plane, std::int32_t y) {
    return plane + std::size_t(y) * std::size_t(rowBytes);
  };
  std::vector<JunctionPoint> contacts;
  for (std::int32_t y = 0; y < height && contacts.size() < room; ++y) {
    const std::uint8_t* here = row(lines, y);
    for (std::int32_t x = 0; x < width && contacts.size() < room; ++x) {
      if (!BitAt(here, x)) continue;
      bool touches = false;
      for (std::int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, height - 1) && !touches; ++ny)
        for (std::int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, width - 1); ++nx)
          if ((nx != x || ny != y) && BitAt(row(thick, ny), nx)) {
            touches = true;
            break;
          }
      if (!touches) continue;
      // One contact stands for the pixels touching the same spot.
      bool near = false;
      for (auto it = contacts.rbegin(); it != contacts.rend() && it->y >= y - 2; ++it)
        if (std::abs(it->x - x) < 3) {
          near = true;
          break;
        }
      if (!near) contacts.push_back({std::int16_t(x), std::int16_t(y)});
    }
  }
  if (contacts.empty()) return 0;
  // Both are in (y, x) order between the sentinels: merge them.
  std::vector<JunctionPoint> merged;
  merged.reserve(list.size() + contacts.size());
  auto before = [](const JunctionPoint& a, const JunctionPoint& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  };
  std::merge(list.points.begin() + 1, list.points.end() - 1, contacts.begin(), contacts.end(),
             std::back_inserter(merged), before);
  merged.insert(merged.begin(), list.points.front());
  merged.push_back(list.points.back());
  list.points = std::move(merged);
  ResetUsedBits(list);
  return contacts.size();
}

int SeparateShapes(Tracer& t) {
  base::Runtime& rt = t.rt;
  base::ConversionState& s = rt.state;
  image::RasterImage& img = t.image;
  const std::int32_t width = img.width, height = img.height;
  const auto rowBytes = std::size_t(img.bitRowBytes);
  if (!SaveSkeleton(t)) return 1;
  const std::vector<std::uint8_t>& thick = t.centerline.thickParts;
  // Where a line meets a thick part the areas' boundaries pass from one to the other.
  if (!thick.empty() && t.centerline.junctionsReady)
    AddContactJunctions(t.centerline.junctions, image::BitRow(img, 0), thick.data(),
                        img.bitRowBytes, width, height);

  // The areas still to trace: the paper between the lines, 1 = inside an area.
  platform::Block areasBlock;
  if (!areasBlock.allocate(rt.memory, rowBytes * std::size_t(std::max(height, 1)))) {
    base::ShowFailure(rt, msg::kSeparateShapesMemory);
    return 1;
  }
  const BitPlaneView areas{areasBlock.data(), img.bitRowBytes, width, height};
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* lines = image::BitRow(img, y);
    const std::uint8_t* solid = thick.empty() ? nullptr : &thick[std::size_t(y) * rowBytes];
    std::uint8_t* out = areas.row(y);
    for (std::size_t i = 0; i < rowBytes; ++i)
      out[i] = std::uint8_t(~(lines[i] | (solid != nullptr ? solid[i] : 0)));
    for (std::int32_t x = width; x < std::int32_t(rowBytes * 8); ++x) ClearBitAt(out, x);
  }

  const std::string_view label = msg::Text(msg::kSepShapesLabel);
  s.stageLabel = static_cast<std::int16_t>(msg::kSepShapesLabel);
  base::ShowProgress(rt, 0, label);
  // The paper reached from the image's edges encloses nothing.
  std::vector<Seed> stack;
  PixelBox ignored;
  for (std::int32_t x = 0; x < width; ++x) {
    MoveArea(areas, nullptr, x, 0, ignored, stack);
    MoveArea(areas, nullptr, x, height - 1, ignored, stack);
  }
  for (std::int32_t y = 0; y < height; ++y) {
    MoveArea(areas, nullptr, 0, y, ignored, stack);
    MoveArea(areas, nullptr, width - 1, y, ignored, stack);
  }
  if (PollAbort(rt)) return 1;

  // The bit layer becomes the canvas that holds one grown area at a time.
  for (std::int32_t y = 0; y < height; ++y) std::memset(image::BitRow(img, y), 0, rowBytes);
  const BitPlaneView canvas{image::BitRow(img, 0), img.bitRowBytes, img.paddedWidth, height};
  s.tracerMode = -1;
  InitBoundaryScan(t);
  for (std::int32_t y = 0; y < height; ++y) {
    std::int32_t word = 0;
    for (;;) {
      word = FindInkWord(areas.row(y), word, img.bitRowWords);
      if (word >= img.bitRowWords) break;
      PixelBox box;
      MoveArea(areas, &canvas, FirstInkInWord(areas.row(y), word), y, box, stack);
      Dilate(canvas, box);
      const PixelBox grown{box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
      if (!RemoveFromSkeleton(t, canvas, box)) {
        if (!s.abortRequested) base::ShowFailure(rt, msg::kScratchOpenFailed);
        return 1;
      }
      if (!TraceArea(t, grown)) return 1;
      // What tracing left of the area (its holes, the mask drawn into the source) goes.
      const ByteArea clear = AreaAround(grown, 3, canvas, true);
      for (std::int32_t r = clear.top; r <= clear.bottom; ++r)
        std::memset(canvas.row(r) + clear.firstByte, 0,
                    std::size_t(clear.lastByte - clear.firstByte + 1));
    }
    if (PollAbort(rt)) return 1;
  }
  s.tracerMode = 1;
  if (t.centerline.junctionsReady &&
      MatchPaths(t.art, rt, t.centerline.junctions, t.image.artScale, t.art.firstNewPath).stopped)
    return 1;
  if (!ReloadSkeleton(t)) {
    base::ShowFailure(rt, msg::kScratchOpenFailed);
    return 1;
  }
  return 0;
}

}  // namespace vl::engine
