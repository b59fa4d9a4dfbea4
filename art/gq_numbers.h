// Number formats of the GQ text: colour fractions and page coordinates, both written with
// integer arithmetic so that saving large art costs no floating point per point.
#pragma once

#include <cstdint>
#include <string>

#include "art/art_output_buffer.h"
#include "art/page_scale.h"

namespace vl::art {

// An ink byte (0-255) as a fraction 0..1 with at most two decimals, then a blank:
// 0 -> "0 ", 13 -> "0.05 ", 128 -> "0.5 ", 255 -> "1 ".
void writeFraction(OutputBuffer& out, std::uint8_t inkByte);
// The same text appended to a string (colour files are built as text).
void AppendFraction(std::string& text, std::uint8_t inkByte);

// An art coordinate (art units; y measured down from the image top) in tenths of a point on
// the page (y up from the page bottom), rounded, then a blank: 1234 tenths -> "123.4 ".
void writeCoordinate(OutputBuffer& out, const PageScale& page, std::int64_t artValue, bool isY);

// The same coordinate as a signed number of tenths of a point, rounded as it is written: other
// page-based writers place points exactly where the EPS does.
std::int64_t CoordinateTenths(const PageScale& page, std::int64_t artValue, bool isY);

}  // namespace vl::art
