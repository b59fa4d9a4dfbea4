// LZW decoding of one TIFF strip. Strings are copied out of the output already written instead
// of being kept in a string store of their own, so each decoded byte costs one copy.
#include "image/lzw_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vl::image {

namespace {

constexpr int kFirstCodeBits = 9;
constexpr int kMaxCodeBits = 12;

// Most-significant-bit-first code reader over a bounded buffer.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> in) : in_(in) {}

  // False when fewer than `bits` bits are left; the encoder's padding bits then end the data.
  bool read(int bits, std::uint32_t& code) {
    while (held_ < bits) {
      if (next_ >= in_.size()) return false;
      buffer_ = (buffer_ << 8) | in_[next_++];
      held_ += 8;
    }
    held_ -= bits;
    code = static_cast<std::uint32_t>(buffer_ >> held_) & ((1u << bits) - 1);
    return true;
  }

  std::size_t consumed() const { return next_; }

 private:
  std::span<const std::uint8_t> in_;
  std::size_t next_ = 0;
  std::uint64_t buffer_ = 0;  // only the low `held_` bits (at most 19) are meaningful
  int held_ = 0;
};

}  // namespace

DecodeResult DecodeLzw(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                       LzwTable& table) {
  // Table offsets are 32-bit; a strip buffer is far smaller, but never let them wrap.
  const std::size_t outSize =
      std::min<std::size_t>(out.size(), std::numeric_limits<std::uint32_t>::max());
  std::uint8_t* const dst = out.data();
  CodeReader reader(in);
  std::uint32_t nextCode = kLzwFirstFreeCode;
  int codeBits = kFirstCodeBits;
  bool havePrevious = false;  // false right after a clear: the next code starts a new chain
  std::uint32_t prevOffset = 0;
  std::uint32_t prevLength = 0;
  std::size_t op = 0;

  while (op < outSize) {
    std::uint32_t code = 0;
    if (!reader.read(codeBits, code)) return {reader.consumed(), op, DecodeStatus::kTruncated};
    if (code == kLzwClearCode) {
      nextCode = kLzwFirstFreeCode;
      codeBits = kFirstCodeBits;
      havePrevious = false;
      continue;
    }
    if (code == kLzwEndCode) return {reader.consumed(), op, DecodeStatus::kOk};

    const auto start = static_cast<std::uint32_t>(op);
    const std::size_t room = outSize - op;
    std::uint32_t length = 0;
    if (code < kLzwClearCode) {
      dst[op] = static_cast<std::uint8_t>(code);
      length = 1;
    } else if (havePrevious && code < nextCode) {
      length = table.length[code];
      // The string lies wholly before `op`, so source and destination never overlap.
      std::memcpy(dst + op, dst + table.offset[code], std::min<std::size_t>(length, room));
    } else if (havePrevious && code == nextCode && nextCode < kLzwMaxCodes) {
      // The code being defined right now: the previous string plus its own first byte.
      length = prevLength + 1;
      std::memcpy(dst + op, dst + prevOffset, std::min<std::size_t>(prevLength, room));
      if (prevLength < room) dst[op + prevLength] = dst[prevOffset];
    } else {
      return {reader.consumed(), op, DecodeStatus::kBadCode};
    }
    if (length >= room) return {reader.consumed(), outSize, DecodeStatus::kOk};
    op += length;

    if (havePrevious && nextCode < kLzwMaxCodes) {
      // The previous string is immediately followed by this one, so the new entry (previous
      // string + this string's first byte) is the contiguous run starting at prevOffset.
      table.offset[nextCode] = prevOffset;
      table.length[nextCode] = static_cast<std::uint16_t>(prevLength + 1);
      ++nextCode;
      if (nextCode == (1u << codeBits) - 1 && codeBits < kMaxCodeBits) ++codeBits;
    }
    havePrevious = true;
    prevOffset = start;
    prevLength = length;
  }
  return {reader.consumed(), op, DecodeStatus::kOk};
}

}  // namespace vl::image
