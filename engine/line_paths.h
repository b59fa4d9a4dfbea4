// Recognised lines and rectangles written into the artwork as stroked, unfilled paths.
#pragma once

#include "engine/conversion_job.h"
#include "engine/line_recognition.h"

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

}  // namespace vl::engine
