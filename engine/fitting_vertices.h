// Vertex access for the curve fitter: vertex k ahead of the vertex cursor (k may be 0), read
// through the paged vertex window. A vertex exists when its record lies before the list end.
#pragma once

#include <cstdint>

#include "art/artwork.h"
#include "engine/tracer.h"
#include "engine/vertex_record.h"

namespace vl::engine::fitting {

using namespace vertex_record;

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
inline std::int64_t VertexChainOffset(Tracer& t, std::int64_t k) {
  return ChainOffsetAt(*t.vertices, k);
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
