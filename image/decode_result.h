// The outcome shared by the strip decoders: how much input and output one call used, and why
// it stopped. The decoders never show messages; the TIFF reader turns a status into one.
#pragma once

#include <cstddef>

namespace vl::image {

enum class DecodeStatus {
  kOk,             // the output is complete, or the stream's own end code was met
  kTruncated,      // the input ended before the output was complete
  kBadCode,        // a code that no table holds, or an LZW code past the end of the table
  kBadRunLength,   // CCITT runs that do not add up to exactly the row's width
  kBadArgument,    // the output cannot hold one row, or a parameter is out of range
};

struct [[nodiscard]] DecodeResult {
  std::size_t consumed = 0;  // input bytes used
  std::size_t produced = 0;  // output bytes written
  DecodeStatus status = DecodeStatus::kOk;

  bool ok() const { return status == DecodeStatus::kOk; }
};

}  // namespace vl::image
