// Outside text made safe for the art file.
#include "art/ps_text.h"

#include "art/gq_numbers.h"

namespace vl::art {

void WritePsStringBody(OutputBuffer& out, std::string_view text) {
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if (ch == '(' || ch == ')' || ch == '\\') {
      out.put('\\');
      out.put(ch);
    } else if (byte < 0x20 || byte == 0x7F) {
      out.put(' ');
    } else {
      out.put(ch);
    }
  }
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void WriteCustomColorInks(OutputBuffer& out, const CustomColor& color) {
  writeFraction(out, color.c);
  writeFraction(out, color.m);
  writeFraction(out, color.y);
  writeFraction(out, color.k);
  out.put('(');
  WritePsStringBody(out, color.name);
}

}  // namespace vl::art
