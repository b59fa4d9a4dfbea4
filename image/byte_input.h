// Sequential reading of an open input file through a small buffer the caller owns. Every read
// is bounded by an end offset (the file's size, or less when a trailer must not be read as
// data), so a size taken from a hostile header can never make a reader run past the file.
#pragma once

#include <cstdint>
#include <span>

#include "platform/file_io.h"

namespace vl::image {

class ByteInput {
 public:
  // Reads `file` from byte `start` up to the file's size. The buffer must outlive the input.
  ByteInput(platform::FileHandle file, std::span<std::uint8_t> buffer, std::int64_t start = 0);

  // Ends the readable part at `end` bytes from the start of the file (never beyond its size).
  void limitTo(std::int64_t end);

  // Each is false, having consumed nothing useful, when the bytes asked for are not there.
  bool next(std::uint8_t& byte);
  bool read(std::span<std::uint8_t> out);
  bool skip(std::uint64_t count);
  bool be16(std::uint16_t& value);
  bool be32(std::uint32_t& value);

  std::int64_t position() const { return position_; }  // bytes from the start of the file
  std::int64_t remaining() const { return end_ - position_; }
  std::int64_t fileSize() const { return fileSize_; }

 private:
  bool refill();

  platform::FileHandle file_;
  std::span<std::uint8_t> buffer_;
  std::size_t held_ = 0;  // bytes of buffer_ read from the file
  std::size_t next_ = 0;  // first unread byte of buffer_
  std::int64_t position_ = 0;
  std::int64_t fileSize_ = 0;
  std::int64_t end_ = 0;
  std::int64_t filePosition_ = 0;  // where the file itself stands
};

}  // namespace vl::image
