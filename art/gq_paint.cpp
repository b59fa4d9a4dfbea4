// The paint lines of the GQ body.
#include "art/gq_paint.h"

#include "art/gq_numbers.h"
#include "art/ps_text.h"

namespace vl::art {

namespace {
void WriteProcess(OutputBuffer& out, std::uint32_t packed) {
  for (int shift = 0; shift < 32; shift += 8)
    writeFraction(out, static_cast<std::uint8_t>(packed >> shift));
}
}  // namespace

void writePaint(GqWriter& w, bool isStroke, PaintType type, std::uint32_t packedColor,
                std::uint16_t customIndex, std::uint8_t tint) {
  OutputBuffer& out = w.out;
  switch (type) {
    case PaintType::None:
      return;
    case PaintType::White:
      out.line(isStroke ? "1 G" : "1 g");
      return;
    case PaintType::Black:
      // A gray level: 1 is white, so full black ink is 0.
      writeFraction(out, static_cast<std::uint8_t>(255 - (packedColor >> 24)));
      out.line(isStroke ? "G" : "g");
      return;
    case PaintType::Custom:
      // The two older formats know no named colours. An index past the end of the table
      // (a table shortened since the art was painted) falls back to the path's own colour
      // rather than reading beyond the table.
      if (EffectiveFormat(w.format) >= kFormatGq3 && customIndex < w.customColors.size()) {
        const CustomColor& color = w.customColors[customIndex];
        WriteCustomColorInks(out, color);
        out.put(") ");
        writeFraction(out, static_cast<std::uint8_t>(255 - tint));
        out.line(isStroke ? "X" : "x");
        return;
      }
      [[fallthrough]];
    case PaintType::Process:
    default:
      WriteProcess(out, packedColor);
      out.line(isStroke ? "K" : "k");
      return;
  }
}

}  // namespace vl::art
