// CCITT Group 3 (ITU-T T.4, TIFF compression 3) and Group 4 (ITU-T T.6, compression 4)
// fax decoding: rows coded one-dimensionally in modified Huffman runs, or two-dimensionally
// against the row above (pass, horizontal and vertical modes). Rows follow one another without
// byte alignment, so the decoder carries the bit position and the reference row from one row
// to the next; each strip or tile starts afresh on an all-white reference row.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/decode_result.h"

namespace vl::image {

struct CcittFaxOptions {
  bool group4 = false;          // T.6: every row two-dimensional, no end-of-line codes
  bool twoDimensional = false;  // T.4: each end-of-line code is followed by a 1-D/2-D tag bit
  bool leastSignificantFirst = false;  // FillOrder 2: bits sent from the low end of each byte
};

class CcittFaxDecoder {
 public:
  // Prepares for rows of `widthPixels` (0 to 32767) pixels; false when the width is out of
  // range. Starts a strip.
  bool start(int widthPixels, const CcittFaxOptions& options);
  // Back to the top of a strip: white reference row, first bit of the next byte.
  void startStrip();

  // Decodes the next row from `in`, whose first byte holds the row's first bit (the decoder
  // remembers how many of its bits the previous row used), into `row` (1 bit per pixel, most
  // significant first, black = 1). `consumed` counts the whole bytes finished with; the bits
  // of a partly used last byte are skipped on the next call. Nothing changes unless the row
  // decoded: kTruncated (the input ended inside the row) can be retried with more input.
  // kBadCode: a code in no table, an end-of-line code inside a row, or the uncompressed mode
  // (not supported); kBadRunLength: a change beyond the row or before the previous one;
  // kBadArgument: `row` too short, or start() not called.
  DecodeResult decodeRow(std::span<const std::uint8_t> in, std::span<std::uint8_t> row);

 private:
  int width_ = -1;
  CcittFaxOptions options_;
  unsigned bitOffset_ = 0;  // bits of in[0] that the previous row used
  // Changing elements (pixel positions where the colour changes, white to black first), then
  // two sentinels at the width: of the reference row, and of the row being decoded.
  std::vector<std::int32_t> reference_;
  std::vector<std::int32_t> current_;
};

}  // namespace vl::image
