// The tracer: the state that edge extraction, outline assembly and curve fitting share while
// one conversion runs. The driver builds one Tracer per conversion (after cutting the work
// area) and hands it to every stage; nothing here outlives the conversion.
//
// Planes: 1 bit per pixel, most significant bit leftmost, 1 = ink, rows of bitRowBytes. The
// source plane is the image's bit layer, consumed as shapes are traced; the shape mask is the
// spare layer, or the bit layer itself when the spare layer could not be had (maskInImage).
#pragma once

#include <cstdint>
#include <optional>

#include "art/artwork.h"
#include "engine/centerline_state.h"
#include "engine/fitter_state.h"
#include "engine/line_recognition.h"
#include "engine/paged_arrays.h"
#include "base/runtime.h"
#include "engine/work_area.h"
#include "image/raster_image.h"
#include "settings/conversion_constants.h"
#include "settings/conversion_settings.h"

namespace vl::engine {

// Boundary box of the current shape, in pixels.
struct BoundaryBox {
  std::int32_t minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// The box widened by 2 pixels on every side and clipped to the image: the area whose mask
// bits (and, with maskInImage, saved source rows) RestoreShapeArea puts back.
struct WidenedBox {
  std::int32_t left = 0, top = 0, width = 0, height = 0;  // pixels
};

struct Tracer {
  base::Runtime& rt;
  image::RasterImage& image;
  art::Artwork& art;
  const settings::ConversionSettings& settings;
  settings::ConversionConstants constants;

  WorkArea area;
  std::optional<ChainBuffer> chain;
  std::optional<PointWindow> points;
  std::optional<VertexWindow> vertices;

  // Scan state of the current pass (the row itself is rt.state.currentRow).
  std::int32_t scanWord = 0;  // 16-bit word index in the current row

  // The current boundary (edge extraction).
  std::int16_t startX = 0, startY = 0;  // pixels
  std::int64_t codeCount = 0;           // direction codes in the record
  int lastDirection = 7;
  BoundaryBox box;
  WidenedBox widened;

  // The current polygon (outline assembly): the byte offset of the record after the closing
  // vertex, and the backup pixel under the chain's start (1 = ink) for painting.
  std::int64_t listEndBytes = 0;
  int startPixel = 0;
  // Times the tolerance was doubled for the current outline (too many vertices).
  int toleranceDoublings = 0;

  // The curve fitter's path and span state for the outline being written.
  FitterState fit;

  // The centre-line stage: thinning, junctions, the written sides of the current centre line.
  CenterlineState centerline;

  // Line recognition with Outline or Centerline: the lines written before tracing, onto which
  // centre lines snap, and the pixels taken out of the bit layer with them (rows of
  // bitRowBytes, 1 = removed), which count as paper when an outline is painted.
  RecognizedLines lines;
  std::vector<std::uint8_t> linesRemoved;

  Tracer(base::Runtime& runtime, image::RasterImage& img, art::Artwork& artwork,
         const settings::ConversionSettings& s, const settings::ConversionConstants& c)
      : rt(runtime), image(img), art(artwork), settings(s), constants(c) {}

  // Cuts the windows out of the allocated work area (area.block must hold area.layout).
  void attachWindows() {
    chain.emplace(rt, area.chainBuffer(), area.layout.chainBufferBytes);
    points.emplace(rt, area.pointWindow(), area.layout.pointWindowWords());
    vertices.emplace(rt, area.vertexWindow(), area.layout.vertexWindowWords());
  }

  bool colorPass() const { return rt.state.colorPassActive != 0; }
};

// ---- Plane access (tracer_planes.cpp) -------------------------------------------------------

// Row y of the source plane / the shape mask (guard rows at -1 and height exist).
std::uint8_t* SourceRow(Tracer& t, std::int32_t y);
std::uint8_t* MaskRow(Tracer& t, std::int32_t y);
// 1 when the pixel is ink; 0 outside 0..paddedWidth-1 x 0..height-1.
int SourcePixel(Tracer& t, std::int32_t x, std::int32_t y);
int MaskPixel(Tracer& t, std::int32_t x, std::int32_t y);
// The pixel of the backup layer (the image before tracing), from memory or from "memtemp"
// through the work area's row buffer; 0 outside the image.
int BackupPixel(Tracer& t, std::int32_t x, std::int32_t y);

}  // namespace vl::engine
