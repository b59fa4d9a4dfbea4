// The tiled label map and its scratch file.
#include "engine/label_store.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/scratch_files.h"

namespace vl::engine {

LabelStore::LabelStore(LabelStore&& other) noexcept { *this = std::move(other); }

LabelStore& LabelStore::operator=(LabelStore&& other) noexcept {
  if (this == &other) return *this;
  release();
  rt_ = std::exchange(other.rt_, nullptr);
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  shift_ = other.shift_;
  mask_ = other.mask_;
  tilesX_ = std::exchange(other.tilesX_, 0);
  cache_ = std::move(other.cache_);
  tileInSlot_ = std::move(other.tileInSlot_);
  slotOfTile_ = std::move(other.slotOfTile_);
  dirty_ = std::move(other.dirty_);
  recent_ = std::move(other.recent_);
  onFile_ = std::move(other.onFile_);
  slotsUsed_ = std::exchange(other.slotsUsed_, 0);
  hand_ = std::exchange(other.hand_, 0);
  lastTile_ = std::exchange(other.lastTile_, SIZE_MAX);
  lastSlot_ = other.lastSlot_;
  last_ = std::exchange(other.last_, nullptr);
  spilled_ = std::exchange(other.spilled_, false);
  return *this;
}

bool LabelStore::reset(base::Runtime& rt, std::int32_t width, std::int32_t height,
                       const LabelPaging& paging) {
  release();
  rt_ = &rt;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  shift_ = std::clamp(paging.tileShift, 1, 12);
  mask_ = (std::int32_t(1) << shift_) - 1;
  tilesX_ = (std::size_t(width_) + std::size_t(mask_)) >> shift_;
  const std::size_t tilesY = (std::size_t(height_) + std::size_t(mask_)) >> shift_;
  const std::size_t tiles = tilesX_ * tilesY;
  // At least two tiles, so that the row above and the row being labelled can both be held.
  const std::size_t slots =
      std::min(tiles, std::max<std::size_t>(2, paging.memoryBytes / (tileWords() * 4)));
  try {
    cache_.assign(slots * tileWords(), -1);
    tileInSlot_.assign(slots, -1);
    slotOfTile_.assign(tiles, -1);
    dirty_.assign(slots, 0);
    recent_.assign(slots, 0);
    onFile_.assign(tiles, false);
  } catch (const std::bad_alloc&) {
    release();
    return false;
  }
  return true;
}

void LabelStore::release() {
  std::vector<std::int32_t>().swap(cache_);
  std::vector<std::int64_t>().swap(tileInSlot_);
  std::vector<std::int32_t>().swap(slotOfTile_);
  std::vector<std::uint8_t>().swap(dirty_);
  std::vector<std::uint8_t>().swap(recent_);
  std::vector<bool>().swap(onFile_);
  slotsUsed_ = hand_ = 0;
  lastTile_ = SIZE_MAX;
  last_ = nullptr;
  width_ = height_ = 0;
  tilesX_ = 0;
  if (spilled_ && rt_ != nullptr) {
    platform::FileHandle& file = rt_->state.scratch.dgtemp;
    if (file != platform::kNoFile) {
      platform::CloseFile(file);
      base::DeleteScratchFile(*rt_, "dgtemp");
    }
  }
  spilled_ = false;
}

void LabelStore::pushOut(std::size_t slot) const {
  const std::int64_t tile = tileInSlot_[slot];
  if (tile < 0) return;
  slotOfTile_[std::size_t(tile)] = -1;
  tileInSlot_[slot] = -1;
  if (!dirty_[slot]) return;
  dirty_[slot] = 0;
  base::Runtime& rt = *rt_;
  if (rt.state.abortRequested) return;
  platform::FileHandle& file = rt.state.scratch.dgtemp;
  if (!spilled_) {
    // The first tile pushed out creates the file.
    if (file != platform::kNoFile) platform::CloseFile(file);
    file = base::CreateScratchFileOrAbort(rt, "dgtemp");
    if (file == platform::kNoFile) return;
    spilled_ = true;
  }
  const std::size_t bytes = tileWords() * 4;
  if (!platform::SeekTo(file, std::int64_t(tile) * std::int64_t(bytes))) {
    base::ShowFailure(rt, base::ShortWriteMessage(rt));
    rt.state.abortRequested = 1;
    return;
  }
  if (base::CheckedWrite(rt, file, &cache_[slot * tileWords()], bytes) == bytes)
    onFile_[std::size_t(tile)] = true;
}

std::size_t LabelStore::bring(std::size_t tile) const {
  std::size_t slot;
  if (slotsUsed_ < tileInSlot_.size()) {
    slot = slotsUsed_++;
  } else {
    // Clock sweep: a slot used since the hand last passed gets another round.
    while (recent_[hand_]) {
      recent_[hand_] = 0;
      hand_ = (hand_ + 1) % tileInSlot_.size();
    }
    slot = hand_;
    hand_ = (hand_ + 1) % tileInSlot_.size();
    pushOut(slot);
  }
  std::int32_t* words = &cache_[slot * tileWords()];
  const std::size_t bytes = tileWords() * 4;
  std::size_t got = 0;
  if (onFile_[tile]) {
    const platform::FileHandle file = rt_->state.scratch.dgtemp;
    if (platform::SeekTo(file, std::int64_t(tile) * std::int64_t(bytes)))
      got = platform::ReadBytes(file, words, bytes) / 4;
  }
  std::fill(words + got, words + tileWords(), -1);
  tileInSlot_[slot] = std::int64_t(tile);
  slotOfTile_[tile] = std::int32_t(slot);
  return slot;
}

std::int32_t* LabelStore::load(std::size_t tile) const {
  std::int32_t slot = slotOfTile_[tile];
  if (slot < 0) slot = std::int32_t(bring(tile));
  recent_[std::size_t(slot)] = 1;
  lastTile_ = tile;
  lastSlot_ = std::size_t(slot);
  last_ = &cache_[std::size_t(slot) * tileWords()];
  return last_;
}

void LabelStore::set(std::int32_t x, std::int32_t y, std::int32_t label) {
  if (std::uint32_t(x) >= std::uint32_t(width_) || std::uint32_t(y) >= std::uint32_t(height_))
    return;
  const std::size_t t = std::size_t(y >> shift_) * tilesX_ + std::size_t(x >> shift_);
  std::int32_t* tile = t == lastTile_ ? last_ : load(t);
  tile[(std::size_t(y & mask_) << shift_) | std::size_t(x & mask_)] = label;
  dirty_[lastSlot_] = 1;
}

void LabelStore::readRow(std::int32_t y, std::int32_t* labels) const {
  if (std::uint32_t(y) >= std::uint32_t(height_)) return;
  const std::size_t side = std::size_t(1) << shift_;
  const std::size_t within = std::size_t(y & mask_) << shift_;
  for (std::size_t tx = 0; tx < tilesX_; ++tx) {
    const std::int32_t* tile = load(std::size_t(y >> shift_) * tilesX_ + tx);
    const std::size_t x0 = tx * side, n = std::min(side, std::size_t(width_) - x0);
    std::copy_n(tile + within, n, labels + x0);
  }
}

void LabelStore::writeRow(std::int32_t y, const std::int32_t* labels) {
  if (std::uint32_t(y) >= std::uint32_t(height_)) return;
  const std::size_t side = std::size_t(1) << shift_;
  const std::size_t within = std::size_t(y & mask_) << shift_;
  for (std::size_t tx = 0; tx < tilesX_; ++tx) {
    std::int32_t* tile = load(std::size_t(y >> shift_) * tilesX_ + tx);
    const std::size_t x0 = tx * side, n = std::min(side, std::size_t(width_) - x0);
    std::copy_n(labels + x0, n, tile + within);
    dirty_[lastSlot_] = 1;
  }
}

std::vector<std::int32_t> LabelStore::toVector() const {
  std::vector<std::int32_t> all(std::size_t(width_) * std::size_t(height_));
  for (std::int32_t y = 0; y < height_; ++y) readRow(y, all.data() + std::size_t(y) * std::size_t(width_));
  return all;
}

}  // namespace vl::engine
