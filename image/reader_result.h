// The reader contract's result: every raster reader returns 0 after a successful read and
// non-zero after the error was shown or the user stopped the read; the dispatch then releases
// the half-built image.
#pragma once

#include <cstdint>

namespace vl::image {

constexpr std::int16_t kReadOk = 0;
constexpr std::int16_t kReadFailed = 1;

}  // namespace vl::image
