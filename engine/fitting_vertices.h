// Vertex access for the curve fitter: vertex k ahead of the vertex cursor (k may be 0), read
// through the paged vertex window. A vertex exists when its record lies before the list end.
#pragma once

#include <cstdint>

#include "art/artwork.h"
#include "engine/tracer.h"

namespace vl::engine::fitting {

constexpr std::int64_t kRecordBytes = 8;  // 4 words per vertex record
constexpr std::int64_t kWordsPerVertex = 4;
constexpr std::int64_t kWordX = 0, kWordY = 1, kWordChain = 2, kWordAngle = 3;
constexpr std::int16_t kListEnd = -1;  // x of the record after the last vertex

inline std::int64_t CursorIndex(const Tracer& t) { return t.vertices->cursor() / kRecordBytes; }

inline bool VertexExists(const Tracer& t, std::int64_t k) {
  const std::int64_t at = t.vertices->cursor() + k * kRecordBytes;
  return at >= 0 && at < t.listEndBytes;
}

inline std::int32_t VertexX(Tracer& t, std::int64_t k) {
  return VertexWord(*t.vertices, kWordsPerVertex * k + kWordX);
}
inline std::int32_t VertexY(Tracer& t, std::int64_t k) {
  return VertexWord(*t.vertices, kWordsPerVertex * k + kWordY);
}
// Word 2 is an unsigned 16-bit record offset.
inline std::int64_t VertexChainOffset(Tracer& t, std::int64_t k) {
  return static_cast<std::uint16_t>(VertexWord(*t.vertices, kWordsPerVertex * k + kWordChain));
}
inline std::int16_t VertexAngle(Tracer& t, std::int64_t k) {
  return VertexWord(*t.vertices, kWordsPerVertex * k + kWordAngle);
}
inline art::PixelPoint VertexPoint(Tracer& t, std::int64_t k) {
  return art::PixelPoint{double(VertexX(t, k)), double(VertexY(t, k))};
}
inline bool SamePosition(Tracer& t, std::int64_t a, std::int64_t b) {
  return VertexX(t, a) == VertexX(t, b) && VertexY(t, a) == VertexY(t, b);
}
inline bool SamePoint(art::PixelPoint a, art::PixelPoint b) { return a.x == b.x && a.y == b.y; }

inline bool CurvedOnly(const Tracer& t) { return t.settings.linesMode == settings::kCurvedOnly; }

}  // namespace vl::engine::fitting
