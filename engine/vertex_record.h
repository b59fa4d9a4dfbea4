// The vertex record, the unit of the paged vertex window that outline assembly writes and the
// curve fitter reads: 5 words (10 bytes).
//   word 0  x, pixels
//   word 1  y, pixels
//   word 2  chain offset, low 16 bits: the record offset (header included) of the first
//           direction code after this vertex
//   word 3  angle: 180 minus the absolute turn at the vertex, whole degrees (180 = straight
//           on, 0 = full reversal)
//   word 4  chain offset, high 16 bits (a boundary may run to millions of codes)
// The list starts at byte 0 with the chain's start point, its last record repeats the start
// point (the polygon is closed), and the record after it (Tracer::listEndBytes) has x = -1.
#pragma once

#include <cstdint>

#include "engine/paged_arrays.h"

namespace vl::engine::vertex_record {

constexpr std::int64_t kWordsPerVertex = 5;
constexpr std::int64_t kRecordBytes = 2 * kWordsPerVertex;
constexpr std::int64_t kWordX = 0, kWordY = 1, kWordChain = 2, kWordAngle = 3, kWordChainHigh = 4;
constexpr std::int16_t kListEnd = -1;  // x of the record after the last vertex

inline std::int16_t ChainLowWord(std::int64_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(offset & 0xFFFF));
}
inline std::int16_t ChainHighWord(std::int64_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>((offset >> 16) & 0xFFFF));
}
inline std::int64_t ChainOffsetFrom(std::int16_t low, std::int16_t high) {
  return std::int64_t{static_cast<std::uint16_t>(high)} << 16 | static_cast<std::uint16_t>(low);
}

// The chain offset of the record `record` records after the cursor, and of the cursor's.
inline std::int64_t ChainOffsetAt(VertexWindow& v, std::int64_t record) {
  return ChainOffsetFrom(VertexWord(v, kWordsPerVertex * record + kWordChain),
                         VertexWord(v, kWordsPerVertex * record + kWordChainHigh));
}
inline void SetChainOffset(VertexWindow& v, std::int64_t offset) {
  SetVertexWord(v, ChainLowWord(offset), kWordChain);
  SetVertexWord(v, ChainHighWord(offset), kWordChainHigh);
}

}  // namespace vl::engine::vertex_record
