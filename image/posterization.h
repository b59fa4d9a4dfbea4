// Colour preparation of gray scale and colour images before tracing: the black and white
// conversion that replaces the bit layer with a traceable picture, and the colour classes and
// boundary map of a colour conversion (image/color_classes.h).
//
// Pipeline of the black and white conversion, one bit row per image row, top to bottom:
//   read row (readColorSpan: selection whitened, edge pixel repeated; tone table)
//   -> noise filter (none, medium, maximum) -> threshold test, or boost curve + local contrast
//   -> bit row ANDed with the selection mask -> bit layer.
#pragma once

#include <array>
#include <cstdint>

#include "base/runtime.h"
#include "image/raster_image.h"

namespace vl::image {

// The noiseReduction setting.
enum NoiseReduction : int { kNoiseNone = 0, kNoiseMedium = 1, kNoiseMaximum = 2 };

// The Color/Grayscale Setup fields the black and white conversion reads, in the setting's own
// units (percent); the engine fills it from the settings in force.
struct BlackAndWhiteOptions {
  bool contrastMode = false;   // clear: threshold test; set: local contrast test
  int thresholdPercent = 50;   // 0..100 of the sample range
  int contrastPercent = 10;    // 0..100 of the sample range
  bool boost = false;          // contrast mode: tone curve before the test
  int boostPercent = 50;       // 0..100
  int noiseReduction = kNoiseMedium;
  bool reversed = false;       // reverseImage xor whiteLines: the threshold's polarity
};

// The source's sample range in 8-bit terms: lo = MinSampleValue, hi = MaxSampleValue + 1,
// brought to 8 bits the way the samples themselves were.
struct SampleRange {
  int lo = 0;
  int hi = 256;
  int span() const { return hi - lo; }
};
SampleRange SourceSampleRange(const RasterImage& image);

// Threshold mode's level t (0..255) on the 8-bit samples.
int ThresholdLevel(const RasterImage& image, int thresholdPercent);

// Contrast mode's boost curve: 256 entries, a steep middle section of 128 inputs.
std::array<std::uint8_t, 256> BoostCurve(const RasterImage& image, int boostPercent);

enum class PosterizeResult { kDone, kStopped, kNoMemory };

// Replaces the bit layer with the black and white picture (1 = black) of the colour layer,
// with progress ("Posterizing") and the abort poll after every row. With a selection captured
// (CaptureSelection) every row is ANDed with its mask row and rows outside the selected band
// stay empty. Stopped: the bit layer (the selection mask) is put back as it was.
[[nodiscard]] PosterizeResult ConvertToBlackAndWhite(RasterImage& image, base::Runtime& rt,
                                                     const BlackAndWhiteOptions& options);

// After the conversion: the bit layer becomes the selection mask again (the captured rows, the
// rest empty; empty altogether without a capture) and the capture is dropped.
void RestoreSelectionMask(RasterImage& image);

// One colour row y of the working image with one guard pixel either side (the first and last
// pixel repeated): (width + 2) x samplesPerPixel bytes into `row`, selection applied, mapped
// through the tone table when it is not the identity. False when the row could not be read
// (it then reads white).
bool ReadGuardedRow(const RasterImage& image, std::int32_t y, std::uint8_t* row);

}  // namespace vl::image
