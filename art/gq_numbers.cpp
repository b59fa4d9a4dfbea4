// Number formats of the GQ text.
#include "art/gq_numbers.h"

namespace vl::art {

void AppendFraction(std::string& text, std::uint8_t inkByte) {
  int percent = (100 * inkByte + 127) / 255;
  if (percent == 0) {
    text += "0 ";
  } else if (percent >= 100) {
    text += "1 ";
  } else {
    text += "0.";
    text += static_cast<char>('0' + percent / 10);
    if (percent % 10 != 0) text += static_cast<char>('0' + percent % 10);
    text += ' ';
  }
}

void writeFraction(OutputBuffer& out, std::uint8_t inkByte) {
  std::string text;
  AppendFraction(text, inkByte);
  out.put(text);
}

void writeCoordinate(OutputBuffer& out, const PageScale& page, std::int64_t artValue, bool isY) {
  // 16.16 fixed point in tenths of a point. 64 bits: a page of up to 72000 points is 720000
  // tenths, more than the 16 bits an older writer kept, so large pages are written exactly.
  std::int64_t t = isY ? (page.artHeight - artValue) * page.yScale : artValue * page.xScale;
  if (t < 0) {
    out.put('-');
    t = -t;
  }
  std::int64_t tenths = (t + 0x8000) >> 16;
  if (tenths == 0) {
    out.put("0 ");
    return;
  }
  if (tenths / 10 != 0) out.putInt(tenths / 10);
  if (tenths % 10 != 0) {
    out.put('.');
    out.put(static_cast<char>('0' + tenths % 10));
  }
  out.put(' ');
}

std::int64_t CoordinateTenths(const PageScale& page, std::int64_t artValue, bool isY) {
  const std::int64_t t = isY ? (page.artHeight - artValue) * page.yScale : artValue * page.xScale;
  return t < 0 ? -((-t + 0x8000) >> 16) : (t + 0x8000) >> 16;
}

}  // namespace vl::art
