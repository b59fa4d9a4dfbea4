// PackBits run-length decoding (TIFF compression 32773).
#include "image/packbits.h"

#include <algorithm>
#include <cstring>

namespace vl::image {

DecodeResult DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> row) {
  const std::size_t inSize = in.size();
  const std::size_t rowSize = row.size();
  std::size_t ip = 0;
  std::size_t op = 0;
  while (op < rowSize) {
    if (ip >= inSize) return {ip, op, DecodeStatus::kTruncated};
    const int control = static_cast<std::int8_t>(in[ip++]);
    if (control >= 0) {
      const std::size_t count = static_cast<std::size_t>(control) + 1;
      const std::size_t present = std::min(count, inSize - ip);
      const std::size_t fit = std::min(present, rowSize - op);
      std::memcpy(row.data() + op, in.data() + ip, fit);
      op += fit;
      ip += present;
      // Literal bytes missing beyond the row's end would have been dropped anyway.
      if (present < count && op < rowSize) return {ip, op, DecodeStatus::kTruncated};
    } else if (control != -128) {
      if (ip >= inSize) return {ip, op, DecodeStatus::kTruncated};
      const std::size_t count = static_cast<std::size_t>(1 - control);
      const std::size_t fit = std::min(count, rowSize - op);
      std::memset(row.data() + op, in[ip++], fit);
      op += fit;
    }
  }
  return {ip, op, DecodeStatus::kOk};
}

}  // namespace vl::image
