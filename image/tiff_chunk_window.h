// A window onto the compressed bytes of one strip or tile: the bytes are read from the file in
// large pieces as the decoder moves on, and the window grows when one row needs more than it
// holds, so a row is never cut short by the buffer and never read past its chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/tiff_file.h"
#include "platform/memory_block.h"

namespace vl::image {

class ChunkWindow {
 public:
  // buffer is reused from chunk to chunk; it only ever grows.
  ChunkWindow(const TiffFile& file, platform::Block& buffer, platform::MemoryBudget& budget)
      : file_(file), buffer_(buffer), budget_(budget) {}

  // Starts on `length` bytes at `offset` (from the TIFF base, already known to lie inside the
  // file), holding up to `capacity` bytes at a time. kTiffOk or the memory message.
  TiffStatus begin(std::uint64_t offset, std::uint64_t length, std::size_t capacity);

  // The bytes read and not yet consumed.
  std::span<const std::uint8_t> data() const {
    return {buffer_.data() + start_, end_ - start_};
  }
  std::size_t capacity() const { return buffer_.size(); }
  bool exhausted() const { return remaining_ == 0; }  // the whole chunk has been read
  void consume(std::size_t bytes) { start_ += bytes <= end_ - start_ ? bytes : end_ - start_; }

  // Moves the unread bytes to the front and reads more of the chunk, doubling the window first
  // when it is full. "TIFF error: Incomplete data." when the chunk is exhausted or the read
  // fails; the memory message when the window cannot grow.
  TiffStatus more();

 private:
  const TiffFile& file_;
  platform::Block& buffer_;
  platform::MemoryBudget& budget_;
  std::uint64_t position_ = 0;   // next chunk byte to read, from the TIFF base
  std::uint64_t remaining_ = 0;  // chunk bytes not yet read
  std::size_t start_ = 0;        // first unconsumed byte in the buffer
  std::size_t end_ = 0;          // end of the bytes read into the buffer
};

}  // namespace vl::image
