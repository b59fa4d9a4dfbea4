// Buffered, bounded sequential reading of an input file.
#include "image/byte_input.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace vl::image {

ByteInput::ByteInput(platform::FileHandle file, std::span<std::uint8_t> buffer, std::int64_t start)
    : file_(file), buffer_(buffer) {
  fileSize_ = std::max<std::int64_t>(platform::FileSize(file), 0);
  end_ = fileSize_;
  position_ = std::clamp<std::int64_t>(start, 0, fileSize_);
  filePosition_ = platform::SeekTo(file_, position_) ? position_ : -1;
}

void ByteInput::limitTo(std::int64_t end) { end_ = std::clamp(end, position_, fileSize_); }

bool ByteInput::refill() {
  if (remaining() <= 0 || buffer_.empty()) return false;
  if (filePosition_ != position_) {
    if (!platform::SeekTo(file_, position_)) return false;
    filePosition_ = position_;
  }
  const auto want = static_cast<std::size_t>(
      std::min<std::int64_t>(remaining(), static_cast<std::int64_t>(buffer_.size())));
  held_ = platform::ReadBytes(file_, buffer_.data(), want);
  next_ = 0;
  filePosition_ += static_cast<std::int64_t>(held_);
  return held_ > 0;
}

bool ByteInput::next(std::uint8_t& byte) {
  if (next_ == held_ && !refill()) return false;
  byte = buffer_[next_++];
  ++position_;
  return true;
}

bool ByteInput::read(std::span<std::uint8_t> out) {
  if (static_cast<std::int64_t>(out.size()) > remaining()) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    if (next_ == held_) {
      // Large reads go straight to the caller's memory.
      const std::size_t rest = out.size() - done;
      if (rest >= buffer_.size()) {
        if (filePosition_ != position_ && !platform::SeekTo(file_, position_)) return false;
        const std::size_t got = platform::ReadBytes(file_, out.data() + done, rest);
        filePosition_ = position_ + static_cast<std::int64_t>(got);
        position_ += static_cast<std::int64_t>(got);
        done += got;
        if (got != rest) return false;
        continue;
      }
      if (!refill()) return false;
    }
    const std::size_t take = std::min(out.size() - done, held_ - next_);
    std::memcpy(out.data() + done, buffer_.data() + next_, take);
    next_ += take;
    done += take;
    position_ += static_cast<std::int64_t>(take);
  }
  return true;
}

bool ByteInput::skip(std::uint64_t count) {
  if (count > static_cast<std::uint64_t>(remaining())) return false;
  const auto buffered = static_cast<std::uint64_t>(held_ - next_);
  if (count <= buffered) {
    next_ += static_cast<std::size_t>(count);
  } else {
    held_ = next_ = 0;  // the next read seeks
  }
  position_ += static_cast<std::int64_t>(count);
  return true;
}

bool ByteInput::be16(std::uint16_t& value) {
  std::uint8_t b[2];
  if (!read(b)) return false;
  value = platform::LoadBe16(b);
  return true;
}

bool ByteInput::be32(std::uint32_t& value) {
  std::uint8_t b[4];
  if (!read(b)) return false;
  value = platform::LoadBe32(b);
  return true;
}

}  // namespace vl::image
