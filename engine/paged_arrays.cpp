// Paged arrays: the chain buffer, the point window and the vertex window, each a window of
// the work area backed by its scratch file.
#include "engine/paged_arrays.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/byte_order.h"
#include "base/progress.h"
#include "base/scratch_files.h"
#include "platform/file_io.h"

namespace vl::engine {

namespace {

// Opens the array's scratch file on its first spill. Once the user has aborted (or an earlier
// creation failed) nothing is created, so a failure is reported once, not at every access.
bool EnsureScratchFile(base::Runtime& rt, platform::FileHandle& handle, std::string_view name) {
  if (handle != platform::kNoFile) return true;
  if (rt.state.abortRequested) return false;
  handle = CreateScratchFileOrAbort(rt, name);
  return handle != platform::kNoFile;
}

bool WriteAt(base::Runtime& rt, platform::FileHandle handle, std::int64_t offsetBytes,
             const void* data, std::size_t countBytes) {
  platform::SeekTo(handle, offsetBytes);
  return CheckedWrite(rt, handle, data, countBytes) == countBytes;
}

// Short reads are not checked: the window keeps whatever was read over its old contents.
void ReadAt(platform::FileHandle handle, std::int64_t offsetBytes, void* data,
            std::size_t countBytes) {
  if (platform::SeekTo(handle, offsetBytes)) platform::ReadBytes(handle, data, countBytes);
}

}  // namespace

// ---------------------------------------------------------------------------- chain buffer

ChainBuffer::ChainBuffer(base::Runtime& rt, std::uint8_t* window, std::size_t sizeBytes)
    : rt_(rt), window_(window), size_(sizeBytes) {}

bool ChainBuffer::startRecord(std::int16_t startX, std::int16_t startY) {
  startX_ = startX;
  startY_ = startY;
  held_ = 0;
  writePos_ = 0;
  length_ = 0;
  spilled_ = false;
  writing_ = true;
  std::uint8_t head[kChainHeaderBytes];
  platform::StoreLe16(head, static_cast<std::uint16_t>(startX));
  platform::StoreLe16(head + 2, static_cast<std::uint16_t>(startY));
  bool ok = true;
  for (std::uint8_t b : head) ok = append(b) && ok;
  return ok;
}

bool ChainBuffer::append(std::uint8_t code) {
  if (!writing_ || size_ == 0) return false;
  if (writePos_ == static_cast<std::int64_t>(size_) && !SpillChain()) return false;
  window_[writePos_++] = code;
  return true;
}

void ChainBuffer::overwriteLast(std::uint8_t code) {
  if (writing_ && writePos_ > 0) window_[writePos_ - 1] = code;
}

// The full buffer goes to the file at the record offset it holds; the file is reused by every
// record of the conversion, so the first spill of a record writes at offset 0 again.
bool ChainBuffer::SpillChain() {
  platform::FileHandle& file = rt_.state.scratch.edgearr;
  if (!EnsureScratchFile(rt_, file, "edgearr")) return false;
  if (PollAbort(rt_)) return false;
  if (!WriteAt(rt_, file, held_, window_, size_)) return false;
  spilled_ = true;
  held_ += static_cast<std::int64_t>(size_);
  writePos_ = 0;
  return true;
}

bool ChainBuffer::finishRecord() {
  if (!writing_) return true;
  writing_ = false;
  length_ = held_ + writePos_;
  if (!spilled_) return true;
  platform::FileHandle file = rt_.state.scratch.edgearr;
  if (!WriteAt(rt_, file, held_, window_, static_cast<std::size_t>(writePos_))) return false;
  if (PollAbort(rt_)) return false;
  load(0);
  return true;
}

std::int64_t ChainBuffer::lengthBytes() const { return writing_ ? held_ + writePos_ : length_; }

void ChainBuffer::load(std::int64_t offsetBytes) {
  ReadAt(rt_.state.scratch.edgearr, offsetBytes, window_, size_);
  held_ = offsetBytes;
}

std::uint8_t ChainBuffer::byteAt(std::int64_t offsetBytes) {
  if (offsetBytes < 0 || offsetBytes >= lengthBytes()) return kChainEnd;
  const auto size = static_cast<std::int64_t>(size_);
  if (offsetBytes < held_ || offsetBytes >= held_ + size) {
    // While writing, the buffer holds the only copy of its bytes: it must not be paged out.
    if (writing_ || !spilled_) return kChainEnd;
    load(offsetBytes - offsetBytes % size);
  }
  return window_[offsetBytes - held_];
}

std::span<const std::uint8_t> ChainBuffer::heldBytes(std::int64_t fromOffset, std::int64_t toOffset) const {
  if (fromOffset < held_ || toOffset < fromOffset || toOffset > lengthBytes() ||
      toOffset > held_ + static_cast<std::int64_t>(size_))
    return {};
  return {window_ + (fromOffset - held_), static_cast<std::size_t>(toOffset - fromOffset)};
}

bool ChainBuffer::readAll(platform::Block& out) {
  if (writing_) return false;
  const auto length = static_cast<std::size_t>(length_);
  if (!out.allocate(rt_.memory, length)) return false;
  if (!spilled_) std::memcpy(out.data(), window_, length);
  else ReadAt(rt_.state.scratch.edgearr, 0, out.data(), length);
  return true;
}

bool ChainBuffer::replaceRecord(std::span<const std::uint8_t> record) {
  if (record.size() < kChainHeaderBytes || size_ == 0) return false;
  writing_ = false;
  startX_ = static_cast<std::int16_t>(platform::LoadLe16(record.data()));
  startY_ = static_cast<std::int16_t>(platform::LoadLe16(record.data() + 2));
  held_ = 0;
  length_ = static_cast<std::int64_t>(record.size());
  if (record.size() <= size_) {
    std::memmove(window_, record.data(), record.size());
    spilled_ = false;
    return true;
  }
  platform::FileHandle& file = rt_.state.scratch.edgearr;
  if (!EnsureScratchFile(rt_, file, "edgearr")) return false;
  if (!WriteAt(rt_, file, 0, record.data(), record.size())) return false;
  std::memmove(window_, record.data(), size_);  // what reading the first buffer-full gives
  spilled_ = true;
  return true;
}

bool ChainBuffer::extendRecord(std::int64_t fromOffset, std::int64_t toOffset) {
  if (writing_ || fromOffset < static_cast<std::int64_t>(kChainHeaderBytes) ||
      toOffset > length_ - 1 || fromOffset > toOffset)
    return false;
  const std::int64_t count = toOffset - fromOffset;
  const std::int64_t destination = length_ - 1;  // over the old end byte
  const std::int64_t newLength = length_ + count;
  const auto size = static_cast<std::int64_t>(size_);
  if (!spilled_ && newLength <= size) {
    // Source and destination do not overlap: the copy ends before the old end byte.
    std::memmove(window_ + destination, window_ + fromOffset, static_cast<std::size_t>(count));
    window_[newLength - 1] = kChainEnd;
    length_ = newLength;
    return true;
  }
  platform::FileHandle& file = rt_.state.scratch.edgearr;
  if (!spilled_) {
    // The whole record is in the buffer: it becomes the file's start.
    if (!EnsureScratchFile(rt_, file, "edgearr")) return false;
    if (!WriteAt(rt_, file, 0, window_, static_cast<std::size_t>(length_))) return false;
    spilled_ = true;
  }
  if (PollAbort(rt_)) return false;
  // The buffer carries each piece from the file to the file. Every byte copied lies before
  // the destination, so no piece reads what an earlier piece wrote.
  for (std::int64_t done = 0; done < count;) {
    const std::int64_t piece = std::min(size, count - done);
    ReadAt(file, fromOffset + done, window_, static_cast<std::size_t>(piece));
    if (!WriteAt(rt_, file, destination + done, window_, static_cast<std::size_t>(piece)))
      return false;
    done += piece;
  }
  const std::uint8_t end = kChainEnd;
  if (!WriteAt(rt_, file, newLength - 1, &end, 1)) return false;
  length_ = newLength;
  load(0);
  return true;
}

// ---------------------------------------------------------------------------- point window

PointWindow::PointWindow(base::Runtime& rt, std::int16_t* window, std::size_t sizeWords)
    : rt_(rt), window_(window), size_(static_cast<std::int64_t>(sizeWords)) {}

bool PointWindow::writeWindow() {
  platform::FileHandle& file = rt_.state.scratch.seglist;
  if (!EnsureScratchFile(rt_, file, "seglist")) return false;
  if (!WriteAt(rt_, file, 2 * base_, window_, static_cast<std::size_t>(2 * size_))) return false;
  dirty_ = false;
  spilled_ = true;
  return true;
}

void PointWindow::readWindow() {
  ReadAt(rt_.state.scratch.seglist, 2 * base_, window_, static_cast<std::size_t>(2 * size_));
  dirty_ = false;
}

bool PointWindow::pageTo(std::int64_t index) {
  std::int64_t target = index - index % size_;
  if (target == base_) return true;
  if ((target < base_ || dirty_) && !writeWindow()) return false;
  base_ = target;
  readWindow();
  return true;
}

bool PointWindow::SpillPoints() {
  platform::FileHandle& file = rt_.state.scratch.seglist;
  if (!EnsureScratchFile(rt_, file, "seglist")) return false;
  if (PollAbort(rt_)) return false;
  if (!WriteAt(rt_, file, 2 * base_, window_, static_cast<std::size_t>(2 * size_))) return false;
  spilled_ = true;
  base_ += size_;
  return true;
}

bool PointWindow::push(std::int16_t word) {
  if (size_ == 0) return false;
  if (!pageTo(end_ > 0 ? end_ - 1 : 0)) return false;
  if (end_ == base_ + size_ && !SpillPoints()) return false;
  window_[end_ - base_] = word;
  ++end_;
  dirty_ = true;
  return true;
}

std::int16_t PointWindow::wordAt(std::int64_t index) {
  if (index < 0 || size_ == 0 || !pageTo(index)) return 0;
  return window_[index - base_];
}

bool PointWindow::setWordAt(std::int64_t index, std::int16_t value) {
  if (index < 0 || size_ == 0 || !pageTo(index)) return false;
  window_[index - base_] = value;
  dirty_ = true;
  return true;
}

void PointWindow::truncate(std::int64_t lengthWords) {
  if (lengthWords < 0) lengthWords = 0;
  if (lengthWords < end_) end_ = lengthWords;
}

bool PointWindow::resetForNewSide() {
  end_ = 0;
  if (base_ == 0) return true;
  if (!writeWindow()) return false;
  base_ = 0;
  readWindow();
  return true;
}

// --------------------------------------------------------------------------- vertex window

VertexWindow::VertexWindow(base::Runtime& rt, std::int16_t* window, std::size_t sizeWords)
    : rt_(rt), window_(window), size_(static_cast<std::int64_t>(sizeWords)) {}

std::int16_t* VertexWindow::wordSlot(std::int64_t k) {
  if (size_ == 0) {
    none_ = 0;
    return &none_;
  }
  std::int64_t i = (cursor_ - base_) / 2 + k;
  if (i >= 0 && i < size_) return window_ + i;

  // Nothing lies before the array's start; paging there would index before the window.
  std::int64_t logical = cursor_ / 2 + k;
  if (logical < 0) return window_;
  platform::FileHandle& file = rt_.state.scratch.linarr;
  if (!EnsureScratchFile(rt_, file, "linarr")) return window_;
  if (WriteAt(rt_, file, base_, window_, static_cast<std::size_t>(2 * size_))) spilled_ = true;
  base_ = (logical / size_) * 2 * size_;
  ReadAt(file, base_, window_, static_cast<std::size_t>(2 * size_));
  return window_ + logical % size_;
}

std::int16_t VertexWord(VertexWindow& vertices, std::int64_t k) { return *vertices.wordSlot(k); }

void SetVertexWord(VertexWindow& vertices, std::int16_t value, std::int64_t k) {
  *vertices.wordSlot(k) = value;
}

}  // namespace vl::engine
