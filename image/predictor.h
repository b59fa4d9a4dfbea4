// Undoing TIFF predictor 2 (horizontal differencing) after decompression.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vl::image {

// Undoes horizontal differencing on one row in place: each sample is added to the sample of the
// same position in the pixel before it, modulo 2^bitsPerSample. `samplesPerPixel` counts every
// interleaved sample of the file's pixel (1 for a planar plane). 16-bit samples are read and
// written in the file's byte order. A trailing byte that holds no whole 16-bit sample is left
// alone. False (row untouched) unless bitsPerSample is 8 or 16 and samplesPerPixel >= 1.
bool UndoHorizontalPredictor(std::span<std::uint8_t> row, int samplesPerPixel,
                             int bitsPerSample, bool bigEndian);

// The same on every row of a strip, `rowBytes` apart; a last, shorter row is undone as far as
// it goes. False (strip untouched) on the parameters refused above or rowBytes 0.
bool UndoHorizontalPredictorRows(std::span<std::uint8_t> strip, std::size_t rowBytes,
                                 int samplesPerPixel, int bitsPerSample, bool bigEndian);

}  // namespace vl::image
