// The read window over one compressed strip or tile.
#include "image/tiff_chunk_window.h"

#include <algorithm>
#include <cstring>

#include "base/message_table.h"

namespace vl::image {

TiffStatus ChunkWindow::begin(std::uint64_t offset, std::uint64_t length, std::size_t capacity) {
  position_ = offset;
  remaining_ = length;
  start_ = end_ = 0;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, length));
  if (buffer_.empty() || buffer_.size() < wanted) {
    if (!buffer_.allocate(budget_, std::max<std::size_t>(wanted, 1))) {
      return msg::kInsufficientMemory;
    }
  }
  return kTiffOk;
}

TiffStatus ChunkWindow::more() {
  if (remaining_ == 0) return msg::kTiffIncompleteData;
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    start_ = 0;
  }
  if (end_ == buffer_.size()) {
    const std::uint64_t grown = std::min<std::uint64_t>(2 * std::uint64_t{buffer_.size()},
                                                        end_ + remaining_);
    if (!buffer_.resize(static_cast<std::size_t>(grown))) return msg::kInsufficientMemory;
  }
  const std::size_t piece =
      static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - end_, remaining_));
  if (!file_.read(position_, buffer_.data() + end_, piece)) return msg::kTiffIncompleteData;
  position_ += piece;
  remaining_ -= piece;
  end_ += piece;
  return kTiffOk;
}

}  // namespace vl::image
