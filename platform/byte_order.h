// Byte order operations for the raster readers: swapping in place or between buffers, and
// loads and stores of 16- and 32-bit numbers in a stated byte order. The checked forms take
// the whole buffer and refuse any access that would leave it, so that offsets read from an
// untrusted file never reach memory outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vl::platform {

enum class ByteOrder { kLittleEndian, kBigEndian };

constexpr std::uint16_t Swap16(std::uint16_t v) {
  return static_cast<std::uint16_t>((v >> 8) | (v << 8));
}

// Exchanges the two 16-bit halves (the second step of reading a 32-bit value byte-swapped).
constexpr std::uint32_t Swap32Halves(std::uint32_t v) { return (v >> 16) | (v << 16); }

// Reverses the four bytes at address.
inline void Swap32Bytes(void* address) {
  auto* p = static_cast<std::uint8_t*>(address);
  std::uint8_t b0 = p[0], b1 = p[1];
  p[0] = p[3];
  p[1] = p[2];
  p[2] = b1;
  p[3] = b0;
}

// Copies countBytes bytes exchanging the bytes of each pair; an odd last byte is copied as is.
// source and destination are either the same buffer or do not overlap.
inline void SwapBytePairs(const void* source, void* destination, std::size_t countBytes) {
  const auto* s = static_cast<const std::uint8_t*>(source);
  auto* d = static_cast<std::uint8_t*>(destination);
  std::size_t i = 0;
  for (; i + 1 < countBytes; i += 2) {
    std::uint8_t first = s[i], second = s[i + 1];
    d[i] = second;
    d[i + 1] = first;
  }
  if (i < countBytes) d[i] = s[i];
}

// Unchecked loads and stores: the caller has already checked that the bytes lie in its buffer.
constexpr std::uint16_t LoadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
constexpr std::uint16_t LoadBe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
constexpr std::uint32_t LoadLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
constexpr std::uint32_t LoadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}
constexpr void StoreLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
constexpr void StoreBe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
constexpr void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  StoreLe16(p, static_cast<std::uint16_t>(v));
  StoreLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
constexpr void StoreBe32(std::uint8_t* p, std::uint32_t v) {
  StoreBe16(p, static_cast<std::uint16_t>(v >> 16));
  StoreBe16(p + 2, static_cast<std::uint16_t>(v));
}

// Whether [offset, offset + count) lies inside a buffer of size bytes; written so that a huge
// offset cannot wrap around.
constexpr bool InBounds(std::size_t size, std::size_t offset, std::size_t count) {
  return offset <= size && count <= size - offset;
}

// Checked loads and stores: false, and nothing read or written, when the bytes would leave
// the buffer.
inline bool Load16(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order,
                   std::uint16_t& value) {
  if (!InBounds(buffer.size(), offset, 2)) return false;
  const std::uint8_t* p = buffer.data() + offset;
  value = order == ByteOrder::kLittleEndian ? LoadLe16(p) : LoadBe16(p);
  return true;
}

inline bool Load32(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order,
                   std::uint32_t& value) {
  if (!InBounds(buffer.size(), offset, 4)) return false;
  const std::uint8_t* p = buffer.data() + offset;
  value = order == ByteOrder::kLittleEndian ? LoadLe32(p) : LoadBe32(p);
  return true;
}

inline bool Store16(std::span<std::uint8_t> buffer, std::size_t offset, ByteOrder order,
                    std::uint16_t value) {
  if (!InBounds(buffer.size(), offset, 2)) return false;
  std::uint8_t* p = buffer.data() + offset;
  if (order == ByteOrder::kLittleEndian) StoreLe16(p, value);
  else StoreBe16(p, value);
  return true;
}

inline bool Store32(std::span<std::uint8_t> buffer, std::size_t offset, ByteOrder order,
                    std::uint32_t value) {
  if (!InBounds(buffer.size(), offset, 4)) return false;
  std::uint8_t* p = buffer.data() + offset;
  if (order == ByteOrder::kLittleEndian) StoreLe32(p, value);
  else StoreBe32(p, value);
  return true;
}

}  // namespace vl::platform
