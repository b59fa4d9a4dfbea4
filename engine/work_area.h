// The conversion work area: one block per conversion that holds a row buffer and the windows
// of the three paged arrays. Its budget W stays under 64 KB whatever the image size, so that
// large images convert in bounded memory and spill to scratch files instead.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/runtime.h"
#include "platform/memory_block.h"

namespace vl::engine {

constexpr std::size_t kWorkAreaCapBytes = 65535;     // largest row buffer + W
constexpr std::size_t kWorkAreaReserveBytes = 5000;  // free memory left to everything else

// Where each piece lies in the block, in bytes. Invariant: the pieces follow one another
// without gaps and the three window pieces add up to budgetBytes.
struct WorkAreaLayout {
  std::size_t budgetBytes = 0;  // W
  std::size_t rowBufferOffset = 0, rowBufferBytes = 0;
  std::size_t pointWindowOffset = 0, pointWindowBytes = 0;
  std::size_t vertexWindowOffset = 0, vertexWindowBytes = 0;
  std::size_t chainBufferOffset = 0, chainBufferBytes = 0;
  std::size_t totalBytes = 0;

  // The two word windows are addressed in 16-bit words, half their bytes rounded down.
  std::size_t pointWindowWords() const { return pointWindowBytes / 2; }
  std::size_t vertexWindowWords() const { return vertexWindowBytes / 2; }
};

// W = (min(free - 5000, cap) - bitRowBytes) with the low 8 bits cleared; 0 when that is not
// positive. The cap is 65535 in the program; tests lower it to get tiny windows that spill.
inline std::size_t WorkAreaBudget(std::size_t freeBytes, std::size_t bitRowBytes,
                                  std::size_t capBytes = kWorkAreaCapBytes) {
  if (freeBytes <= kWorkAreaReserveBytes) return 0;
  std::size_t limit = std::min(freeBytes - kWorkAreaReserveBytes, capBytes);
  if (limit <= bitRowBytes) return 0;
  return (limit - bitRowBytes) & ~std::size_t{0xFF};
}

// Budget from the free memory the memory budget reports.
inline std::size_t WorkAreaBudget(const base::Runtime& rt, std::size_t bitRowBytes,
                                  std::size_t capBytes = kWorkAreaCapBytes) {
  return WorkAreaBudget(rt.memory.available(), bitRowBytes, capBytes);
}

// Cuts bitRowBytes + W bytes: row buffer, point window (W / 8 bytes), vertex window
// (7 x (W / 16) bytes), chain buffer (the rest). Rows are padded to 32 bits, so the windows
// start on even offsets; an odd row length is given one byte of padding to keep them so.
inline WorkAreaLayout CutWorkArea(std::size_t bitRowBytes, std::size_t budgetBytes) {
  WorkAreaLayout l;
  l.budgetBytes = budgetBytes;
  l.rowBufferOffset = 0;
  l.rowBufferBytes = bitRowBytes;
  l.pointWindowOffset = (bitRowBytes + 1) & ~std::size_t{1};
  l.pointWindowBytes = budgetBytes / 8;
  l.vertexWindowOffset = l.pointWindowOffset + l.pointWindowBytes;
  l.vertexWindowBytes = 7 * (budgetBytes / 16);
  l.chainBufferOffset = l.vertexWindowOffset + l.vertexWindowBytes;
  l.chainBufferBytes = budgetBytes - l.vertexWindowBytes - l.pointWindowBytes;
  l.totalBytes = l.chainBufferOffset + l.chainBufferBytes;
  return l;
}

// The allocated work area. The pointers stay valid while the block lives and is not moved.
struct WorkArea {
  platform::Block block;
  WorkAreaLayout layout;

  std::uint8_t* rowBuffer() { return block.data() + layout.rowBufferOffset; }
  std::int16_t* pointWindow() {
    return reinterpret_cast<std::int16_t*>(block.data() + layout.pointWindowOffset);
  }
  std::int16_t* vertexWindow() {
    return reinterpret_cast<std::int16_t*>(block.data() + layout.vertexWindowOffset);
  }
  std::uint8_t* chainBuffer() { return block.data() + layout.chainBufferOffset; }
};

// Allocates and cuts the work area; false when the block cannot be had (the driver shows
// message 11 and cleans up).
inline bool AllocateWorkArea(base::Runtime& rt, std::size_t bitRowBytes, std::size_t budgetBytes,
                             WorkArea& area) {
  area.layout = CutWorkArea(bitRowBytes, budgetBytes);
  return area.block.allocate(rt.memory, area.layout.totalBytes);
}

}  // namespace vl::engine
