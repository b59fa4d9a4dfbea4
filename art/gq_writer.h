// The state of one GQ/EPS save, passed to each step of the writer by reference: the output,
// the file kind, the page geometry, the paint last written and the long path flag. Each save
// builds its own, so two files can be written at once.
#pragma once

#include <cstdint>

#include "art/art_output_buffer.h"
#include "art/art_writer_inputs.h"
#include "art/artwork.h"
#include "art/page_scale.h"

namespace vl::art {

// Save formats (the preference codes).
constexpr int kFormatGq11 = 0;
constexpr int kFormatGq88 = 1;
constexpr int kFormatGq3 = 2;
constexpr int kFormatGq5 = 3;  // GQ5, also a valid EPS file
constexpr int kFormatEmf = 4;
constexpr int kFormatDxf = 5;
constexpr int kFormatNone = 6;       // the file is created and left empty
constexpr int kFormatClipboard = 7;  // GQ5 with the prolog, selected paths only

// EPS preview kinds (the preference codes).
constexpr int kPreviewNone = 0;  // plain GQ file, no prolog
constexpr int kPreviewHeader = 1;
constexpr int kPreviewMacPic = 2;
constexpr int kPreviewMacColorPic = 3;
constexpr int kPreviewTiffBw = 4;     // DOS EPS wrapper with a TIFF preview
constexpr int kPreviewTiffColor = 5;

// A path longer than this many anchors may fail to print.
constexpr int kLongPathAnchors = 1500;

// The paint the file last set; a path repeats nothing that is already in force. It starts as
// the setup lines leave the graphics state: black fill and stroke, a 1-point line.
struct PaintCache {
  std::uint32_t fillColor = kBlackColor;
  PaintType fillType = PaintType::Black;
  std::uint32_t strokeColor = kBlackColor;
  PaintType strokeType = PaintType::Black;
  std::uint8_t strokeWeight = 10;  // tenths of a point
  // A custom paint names its colour and strength too: two custom colours of the same inks (or
  // strengths giving the same packed colour) are different paints in the file.
  std::uint16_t fillCustomIndex = 0, strokeCustomIndex = 0;
  std::uint8_t fillTint = 0, strokeTint = 0;
};

struct GqWriter {
  OutputBuffer& out;
  int format = kFormatGq5;  // 0-3, or 7
  int preview = kPreviewHeader;
  const CustomColorList& customColors;
  PageScale page;
  PaintCache cache;
  bool longPath = false;  // a path had more than kLongPathAnchors anchors
};

// Format 7 is written as format 3 with the prolog.
inline int EffectiveFormat(int format) { return format == kFormatClipboard ? kFormatGq5 : format; }

}  // namespace vl::art
