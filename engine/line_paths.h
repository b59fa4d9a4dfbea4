// Recognised lines and rectangles written into the artwork as stroked, unfilled paths.
#pragma once

#include "engine/conversion_job.h"
#include "engine/line_recognition.h"
#include "engine/tracer.h"

namespace vl::engine {

// The resolution sum the recognizer's distances come from: xResolution + yResolution truncated,
// 144 (72 pixels per inch) for an image that records none.
std::int32_t ResolutionSum(const image::RasterImage& image);

// Merges the pieces, builds the rectangles and writes every rectangle as one closed path of
// four straight sides and every other line as a two-anchor path, stroked (white with White
// Lines) and unfilled, with the stroke weight of the measured width unless Uniform Line Weight
// is on. Stops at the first path the artwork refuses (the conversion is then aborted).
void EmitRecognizedLines(ConversionJob& job, RecognizedLines& lines);

// The line recognizer run alone over the bit layer, then its lines emitted (even after a
// stop, what was found is written). False when its arrays could not be allocated.
bool RecognizeAndEmitLines(ConversionJob& job);

// With Outline or Centerline, before they trace: the lines found in the bit layer are written
// as above, then taken out of the bit layer so that the other methods trace only the rest, and
// kept in the tracer. False when the recognizer's arrays could not be allocated.
bool RecognizeAndRemoveLines(ConversionJob& job, Tracer& t);

// The centre-line position of vertex k after snapping onto the lines the tracer keeps; (x, y)
// unchanged outside a centre-line trace or without lines. Flags as SnapToRecognizedLines.
LineSnap SnapVertexToLines(Tracer& t, std::int32_t x, std::int32_t y);

// Whether the side from a to b (pixels) runs along one of the lines the tracer keeps: both ends
// on its centre, within its ends. Such a side of a centre line is drawn by the line already.
bool RunsAlongRecognizedLine(const Tracer& t, art::PixelPoint a, art::PixelPoint b);

}  // namespace vl::engine
