// Undoing TIFF predictor 2 (horizontal differencing).
#include "image/predictor.h"

#include <algorithm>

namespace vl::image {

namespace {

bool Supported(int samplesPerPixel, int bitsPerSample) {
  return samplesPerPixel >= 1 && (bitsPerSample == 8 || bitsPerSample == 16);
}

void Undo8(std::span<std::uint8_t> row, std::size_t stride) {
  for (std::size_t i = stride; i < row.size(); ++i) {
    row[i] = static_cast<std::uint8_t>(row[i] + row[i - stride]);
  }
}

void Undo16(std::span<std::uint8_t> row, std::size_t stride, bool bigEndian) {
  const std::size_t hi = bigEndian ? 0 : 1;  // offset of the high byte within a sample
  const std::size_t lo = 1 - hi;
  const std::size_t samples = row.size() / 2;
  for (std::size_t i = stride; i < samples; ++i) {
    std::uint8_t* cur = row.data() + 2 * i;
    const std::uint8_t* prev = row.data() + 2 * (i - stride);
    const unsigned sum = ((cur[hi] << 8) | cur[lo]) + ((prev[hi] << 8) | prev[lo]);
    cur[hi] = static_cast<std::uint8_t>(sum >> 8);
    cur[lo] = static_cast<std::uint8_t>(sum);
  }
}

}  // namespace

bool UndoHorizontalPredictor(std::span<std::uint8_t> row, int samplesPerPixel,
                             int bitsPerSample, bool bigEndian) {
  if (!Supported(samplesPerPixel, bitsPerSample)) return false;
  const auto stride = static_cast<std::size_t>(samplesPerPixel);
  if (bitsPerSample == 8) {
    Undo8(row, stride);
  } else {
    Undo16(row, stride, bigEndian);
  }
  return true;
}

bool UndoHorizontalPredictorRows(std::span<std::uint8_t> strip, std::size_t rowBytes,
                                 int samplesPerPixel, int bitsPerSample, bool bigEndian) {
  if (rowBytes == 0 || !Supported(samplesPerPixel, bitsPerSample)) return false;
  for (std::size_t start = 0; start < strip.size(); start += rowBytes) {
    const std::size_t length = std::min(rowBytes, strip.size() - start);
    UndoHorizontalPredictor(strip.subspan(start, length), samplesPerPixel, bitsPerSample,
                            bigEndian);
  }
  return true;
}

}  // namespace vl::image
