// Edge extraction: the row scan for the next shape, the boundary follower, the shape removal
// by row inversion, the widened mask and its clean-up, and the halving of over-long records.
#include "engine/edge_extraction.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "engine/bit_plane.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "platform/file_io.h"

namespace vl::engine {

namespace {

constexpr std::int64_t kFirstCodeOffset = static_cast<std::int64_t>(kChainHeaderBytes);
constexpr int kMaxPassesOverStart = 8;

inline bool IsEnd(std::uint8_t byte) { return (byte & 0x80) != 0; }
inline bool MovesDown(std::uint8_t code) { return code == 0 || code == 6 || code == 7; }
inline bool MovesUp(std::uint8_t code) { return code == 2 || code == 3 || code == 4; }

// A centre-line trace outside a colour conversion: no fill, a 5 x 5 erase at every position.
bool CenterlineErase(const Tracer& t) { return t.rt.state.tracerMode > 0 && !t.colorPass(); }

void Stamp3x3(const BitPlaneView& plane, std::int32_t x, std::int32_t y) {
  for (std::int32_t r = std::max(y - 1, 0); r <= std::min(y + 1, plane.heightRows - 1); ++r)
    for (std::int32_t c = std::max(x - 1, 0); c <= std::min(x + 1, plane.widthPixels - 1); ++c)
      SetBitAt(plane.row(r), c);
}

BitPlaneView MaskPlane(Tracer& t) {
  return {MaskRow(t, 0), t.image.bitRowBytes, t.image.paddedWidth, t.image.height};
}

// The next ink pixel from the scan position, skipping empty 16-bit words. The word index stays
// on the word where ink was found, so the next search resumes there and the image is scanned
// once a pass.
bool FindNextStart(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  const image::RasterImage& img = t.image;
  while (s.currentRow < img.height) {
    t.scanWord = FindInkWord(SourceRow(t, s.currentRow), t.scanWord, img.bitRowWords);
    if (t.scanWord < img.bitRowWords) break;
    t.scanWord = 0;
    ++s.currentRow;
  }
  UpdateRowProgress(t.rt, img.height, img.paddedWidth, t.art.count);
  if (s.currentRow >= img.height) return false;
  t.startX = static_cast<std::int16_t>(FirstInkInWord(SourceRow(t, s.currentRow), t.scanWord));
  t.startY = static_cast<std::int16_t>(s.currentRow);
  return true;
}

void ExtendBox(BoundaryBox& box, std::int32_t x, std::int32_t y) {
  box.minX = std::min(box.minX, x);
  box.maxX = std::max(box.maxX, x);
  box.minY = std::min(box.minY, y);
  box.maxY = std::max(box.maxY, y);
}

// Follows the boundary from the start point until it comes back there, writing the record.
// False when spilling failed or the user aborted.
bool FollowBoundary(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  ChainBuffer& chain = *t.chain;
  if (!chain.startRecord(t.startX, t.startY)) return false;
  t.box = {t.startX, t.startX, t.startY, t.startY};
  t.lastDirection = 7;
  t.codeCount = 0;
  s.tracerX = t.startX;
  s.tracerY = t.startY;
  int firstCode = kNoDirection;
  int passesOverStart = 0;
  for (;;) {
    const int code = NextDirection(t);
    if (t.codeCount == 0) firstCode = code;
    if (!chain.append(code < 0 ? kChainEnd : static_cast<std::uint8_t>(code))) return false;
    ++t.codeCount;
    ExtendBox(t.box, s.tracerX, s.tracerY);
    if (s.tracerX == t.startX && s.tracerY == t.startY) {
      // A centre line that meets itself at its start pixel is followed on until it leaves the
      // start the way it first did; otherwise the branches beyond the start would be lost.
      // The follower has eight ways through a pixel, so a ninth pass means it circles.
      if (s.tracerMode > 0 && !t.colorPass() && firstCode != kNoDirection &&
          ++passesOverStart <= kMaxPassesOverStart) {
        const std::int16_t atX = s.tracerX, atY = s.tracerY;
        const int savedDirection = t.lastDirection;
        const int next = NextDirection(t);
        if (next != firstCode) {
          if (!chain.append(static_cast<std::uint8_t>(next))) return false;
          ++t.codeCount;
          ExtendBox(t.box, s.tracerX, s.tracerY);
          continue;
        }
        s.tracerX = atX;
        s.tracerY = atY;
        t.lastDirection = savedDirection;
      }
      if (!chain.append(kChainEnd)) return false;
      break;
    }
  }
  return chain.finishRecord();
}

// Inverts every row of the shape between pairs of boundary crossings, without a flood fill.
// A row is crossed where the boundary leaves it in the vertical direction it arrived in; the
// span from there to the byte holding x_max is inverted, so the spans past the shape cancel in
// pairs, the shape's pixels become background and its holes ink (found later as shapes).
void FillShape(Tracer& t) {
  ChainBuffer& chain = *t.chain;
  const std::int32_t xMax = t.box.maxX;
  std::int32_t x = t.startX, y = t.startY;
  bool lastVerticalWasDown = false;
  for (std::int64_t offset = kFirstCodeOffset;; ++offset) {
    const std::uint8_t code = chain.byteAt(offset);
    if (IsEnd(code)) break;
    if (MovesDown(code)) {
      if (lastVerticalWasDown) InvertToByteEnd(SourceRow(t, y), x, xMax);
      lastVerticalWasDown = true;
    } else if (MovesUp(code)) {
      if (!lastVerticalWasDown) InvertToByteEnd(SourceRow(t, y), x, xMax);
      lastVerticalWasDown = false;
    }
    x += kChainDx[code];
    y += kChainDy[code];
  }
}

// The box widened by 2 pixels on every side, clipped to the image.
void WidenBox(Tracer& t) {
  const BoundaryBox& b = t.box;
  WidenedBox& w = t.widened;
  w.left = std::max(b.minX - 2, 0);
  w.top = std::max(b.minY - 2, 0);
  w.width = std::min(b.maxX - b.minX + 1 + 4, t.image.paddedWidth - w.left);
  w.height = std::min(b.maxY - b.minY + 1 + 4, t.image.height - w.top);
}

// With the mask drawn into the source plane, the source words under the widened box go to
// "dgtemp" (row after row from offset 0) and are cleared for the mask.
bool SaveShapeArea(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  platform::FileHandle& file = s.scratch.dgtemp;
  if (file == platform::kNoFile) {
    if (s.abortRequested) return false;
    file = CreateScratchFileOrAbort(t.rt, "dgtemp");
    if (file == platform::kNoFile) return false;
  }
  platform::SeekTo(file, 0);
  const ByteSpan span = CoveringWordBytes(t.widened.left, t.widened.width);
  for (std::int32_t y = t.widened.top; y < t.widened.top + t.widened.height; ++y) {
    std::uint8_t* bytes = SourceRow(t, y) + span.firstByte;
    CheckedWrite(t.rt, file, bytes, static_cast<std::size_t>(span.byteCount));
    std::memset(bytes, 0, static_cast<std::size_t>(span.byteCount));
  }
  if (PollAbort(t.rt)) return false;
  platform::SeekTo(file, 0);
  return true;
}

// Merge of a pending code with the next one: the single step they add up to, kCancel when
// they add up to no step, kKeep when they cannot merge.
constexpr std::int8_t kKeep = -1;
constexpr std::int8_t kCancel = 8;
constexpr std::int8_t K = kKeep, C = kCancel;
constexpr int kNoPending = -1;
constexpr std::int8_t kMerge[8][8] = {
    // next: 0  1  2  3  4  5  6  7
    {K, K, K, 1, C, 7, K, K},  // pending 0
    {K, K, K, 2, 3, C, 7, 0},  // pending 1
    {K, K, K, K, K, 3, C, 1},  // pending 2
    {1, 2, K, K, K, 4, 5, C},  // pending 3
    {C, 3, K, K, K, K, K, 5},  // pending 4
    {7, C, 3, 4, K, K, K, 6},  // pending 5
    {K, 7, C, 5, K, K, K, K},  // pending 6
    {K, 0, 1, C, 5, 6, K, K},  // pending 7
};

}  // namespace

void InitBoundaryScan(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  if (!s.maskInImage && !t.image.spareLayer.empty())
    std::memset(t.image.spareLayer.data(), 0, t.image.spareLayer.size());
  t.scanWord = 0;
  s.currentRow = 0;
  s.shownRow = base::kProgressForce;
}

int ExtractNextBoundary(Tracer& t) {
  if (!FindNextStart(t) || !FollowBoundary(t)) return 0;
  // A centre line has no inside to fill: the 5 x 5 erase of WalkChain removes it.
  if (!CenterlineErase(t)) FillShape(t);
  WalkChain(t, 0);
  WidenBox(t);
  if (t.rt.state.maskInImage && !SaveShapeArea(t)) return 0;
  WalkChain(t, 1);
  const ChainBuffer& chain = *t.chain;
  return static_cast<int>(chain.spilled() ? static_cast<std::int64_t>(chain.sizeBytes())
                                          : chain.lengthBytes());
}

int NextDirection(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  const int d = t.lastDirection;
  const int lastProbe = d == 7 ? d + 4 : d + 3;
  for (int probe = d - 2; probe <= lastProbe; ++probe) {
    const int code = (probe + 8) % 8;
    const std::int32_t x = s.tracerX + kChainDx[code], y = s.tracerY + kChainDy[code];
    if (SourcePixel(t, x, y)) {
      s.tracerX = static_cast<std::int16_t>(x);
      s.tracerY = static_cast<std::int16_t>(y);
      t.lastDirection = code;
      return code;
    }
  }
  // Only a pixel with no ink neighbour at all reaches here with d = 7: it has no boundary.
  if (d == 7) return kNoDirection;
  const int back = (d + 4) % 8;
  s.tracerX = static_cast<std::int16_t>(s.tracerX + kChainDx[back]);
  s.tracerY = static_cast<std::int16_t>(s.tracerY + kChainDy[back]);
  t.lastDirection = back;
  return back;
}

void WalkChain(Tracer& t, int stamp) {
  ChainBuffer& chain = *t.chain;
  ClearBitAt(SourceRow(t, t.startY), t.startX);
  const BitPlaneView mask = MaskPlane(t);
  // A centre line goes with the pixels around it, so that the stubs its junctions leave
  // start a little away from them.
  const bool erase5x5 = !stamp && CenterlineErase(t);
  // A stroked centre line is held to a corridor of one pixel around its chain: the curves of
  // an outline may wander two pixels inside the shape, a centre line that far would leave its
  // stroke.
  const bool narrowCorridor = stamp && CenterlineErase(t);
  const BitPlaneView source{SourceRow(t, 0), t.image.bitRowBytes, t.image.paddedWidth,
                            t.image.height};
  std::int32_t x = t.startX, y = t.startY;
  for (std::int64_t offset = kFirstCodeOffset;; ++offset) {
    const std::uint8_t code = chain.byteAt(offset);
    if (IsEnd(code)) break;
    if (stamp && narrowCorridor) Stamp3x3(mask, x, y);
    else if (stamp) ApplyBlock5x5(mask, x, y, BlockOp::kSet);
    else if (erase5x5) ApplyBlock5x5(source, x, y, BlockOp::kClear);
    else ClearBitAt(SourceRow(t, y), x);
    x += kChainDx[code];
    y += kChainDy[code];
  }
}

void RestoreShapeArea(Tracer& t) {
  base::ConversionState& s = t.rt.state;
  const WidenedBox& w = t.widened;
  if (w.width <= 0 || w.height <= 0) return;
  const ByteSpan span = CoveringWordBytes(w.left, w.width);
  const auto count = static_cast<std::size_t>(span.byteCount);
  for (std::int32_t y = w.top; y < w.top + w.height; ++y) {
    if (s.maskInImage) {
      // The mask was drawn over the saved source words: reading them back removes it too.
      if (s.scratch.dgtemp != platform::kNoFile)
        platform::ReadBytes(s.scratch.dgtemp, SourceRow(t, y) + span.firstByte, count);
      continue;
    }
    std::memset(MaskRow(t, y) + span.firstByte, 0, count);
  }
}

void SimplifyChain(Tracer& t) {
  ChainBuffer& chain = *t.chain;
  platform::Block all;
  if (!chain.readAll(all) || all.size() < kChainHeaderBytes + 1) {
    t.codeCount = 0;
    return;
  }
  // Merged codes are written over the ones already read; the output never overtakes the
  // input, and the last byte (the end marker) is never read as a code.
  std::uint8_t* record = all.data();
  const std::size_t endMarker = all.size() - 1;
  std::size_t out = kChainHeaderBytes, in = kChainHeaderBytes;
  int pending = kNoPending;
  for (; in < endMarker && !IsEnd(record[in]); ++in) {
    const int next = record[in];
    if (pending == kNoPending) {
      pending = next;
      continue;
    }
    const int merged = kMerge[pending][next];
    if (merged == kKeep) {
      record[out++] = static_cast<std::uint8_t>(pending);
      pending = next;
    } else {
      pending = merged == kCancel ? kNoPending : merged;
    }
  }
  if (pending != kNoPending) record[out++] = static_cast<std::uint8_t>(pending);
  record[out++] = kChainEnd;

  const auto oldCodes = static_cast<std::int64_t>(in - kChainHeaderBytes);
  const auto newCodes = static_cast<std::int64_t>(out - kChainHeaderBytes - 1);
  if (!chain.replaceRecord(std::span<const std::uint8_t>(record, out))) {
    t.codeCount = 0;
    return;
  }
  t.codeCount = oldCodes - newCodes < kMinSimplifyGain ? 0 : newCodes;
}

}  // namespace vl::engine
