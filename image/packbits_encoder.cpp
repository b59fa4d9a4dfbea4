// PackBits encoding of bilevel TIFF rows.
#include "image/packbits_encoder.h"

#include <algorithm>

namespace vl::image {

namespace {
constexpr std::size_t kMaxRepeat = 128;
constexpr std::size_t kLiteralClose = 120;
}  // namespace

std::size_t EncodePackBitsRow(std::span<const std::uint8_t> row, std::span<std::uint8_t> out) {
  if (out.size() < PackBitsBound(row.size())) return 0;
  std::size_t o = 0;
  bool literalOpen = false;
  std::size_t literalAt = 0;     // where the open literal group's control byte goes
  std::size_t literalCount = 0;  // bytes in the open literal group
  auto closeLiteral = [&] {
    if (literalOpen) out[literalAt] = static_cast<std::uint8_t>(literalCount - 1);
    literalOpen = false;
  };

  for (std::size_t i = 0; i < row.size();) {
    const std::uint8_t value = row[i];
    std::size_t run = 1;
    while (i + run < row.size() && row[i + run] == value) ++run;
    i += run;
    if (run >= 3) {
      closeLiteral();
      while (run > 0) {
        const std::size_t n = std::min(run, kMaxRepeat);
        out[o++] = static_cast<std::uint8_t>(1 - static_cast<int>(n));
        out[o++] = value;
        run -= n;
      }
      continue;
    }
    if (!literalOpen) {
      literalOpen = true;
      literalAt = o++;
      literalCount = 0;
    }
    for (std::size_t k = 0; k < run; ++k) out[o++] = value;
    literalCount += run;
    if (literalCount >= kLiteralClose) closeLiteral();
  }
  closeLiteral();
  return o;
}

}  // namespace vl::image
