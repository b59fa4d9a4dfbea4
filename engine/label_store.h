// The region label of every pixel, kept in square tiles of which only a fixed number stay in
// memory: a large image's labels (four bytes a pixel) go to the scratch file "dgtemp" as tiles
// are pushed out, so the memory they take does not grow with the image. An image whose tiles
// all fit never creates the file.
//
// Tiles are loaded and pushed out whole (least recently needed first, by a clock sweep); the
// passes over the map go row by row or follow boundaries, both of which stay within a few tiles.
// A tile that cannot be written shows message 155 (file not created) or 12 (short write) and
// sets abortRequested, which every pass polls; its labels then read as -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/runtime.h"

namespace vl::engine {

struct LabelPaging {
  std::size_t memoryBytes = std::size_t(32) << 20;  // tiles held in memory
  int tileShift = 6;                                // tiles of 64 x 64 labels
  std::size_t areaBytes = std::size_t(32) << 20;    // area records while labelling
};

class LabelStore {
 public:
  LabelStore() = default;
  LabelStore(const LabelStore&) = delete;
  LabelStore& operator=(const LabelStore&) = delete;
  LabelStore(LabelStore&& other) noexcept;
  LabelStore& operator=(LabelStore&& other) noexcept;
  ~LabelStore() { release(); }

  // A map of width x height labels, all -1. False when the tiles cannot be allocated.
  [[nodiscard]] bool reset(base::Runtime& rt, std::int32_t width, std::int32_t height,
                           const LabelPaging& paging = {});
  // Frees the tiles and closes and deletes the scratch file.
  void release();

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // The label at (x, y); -1 outside the map.
  std::int32_t at(std::int32_t x, std::int32_t y) const {
    if (std::uint32_t(x) >= std::uint32_t(width_) || std::uint32_t(y) >= std::uint32_t(height_))
      return -1;
    const std::size_t t = std::size_t(y >> shift_) * tilesX_ + std::size_t(x >> shift_);
    const std::int32_t* tile = t == lastTile_ ? last_ : load(t);
    return tile[(std::size_t(y & mask_) << shift_) | std::size_t(x & mask_)];
  }
  void set(std::int32_t x, std::int32_t y, std::int32_t label);

  // Row y into / from `labels` (width labels).
  void readRow(std::int32_t y, std::int32_t* labels) const;
  void writeRow(std::int32_t y, const std::int32_t* labels);

  bool spilled() const { return spilled_; }
  // Every label in row order (for checks).
  std::vector<std::int32_t> toVector() const;

 private:
  std::int32_t* load(std::size_t tile) const;
  std::size_t bring(std::size_t tile) const;
  void pushOut(std::size_t slot) const;
  std::size_t tileWords() const { return std::size_t(1) << (2 * shift_); }

  base::Runtime* rt_ = nullptr;
  std::int32_t width_ = 0, height_ = 0;
  int shift_ = 7;
  std::int32_t mask_ = 127;
  std::size_t tilesX_ = 0;
  // The cache: `slots` tiles; which tile each slot holds and where each tile is.
  mutable std::vector<std::int32_t> cache_;
  mutable std::vector<std::int64_t> tileInSlot_;
  mutable std::vector<std::int32_t> slotOfTile_;
  mutable std::vector<std::uint8_t> dirty_, recent_;
  mutable std::vector<bool> onFile_;
  mutable std::size_t slotsUsed_ = 0, hand_ = 0;
  mutable std::size_t lastTile_ = SIZE_MAX, lastSlot_ = 0;
  mutable std::int32_t* last_ = nullptr;
  mutable bool spilled_ = false;
};

}  // namespace vl::engine
