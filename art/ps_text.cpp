// Outside text made safe for the art file.
#include "art/ps_text.h"

#include "art/gq_numbers.h"

namespace vl::art {

void AppendPsStringBody(std::string& out, std::string_view text) {
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if (ch == '(' || ch == ')' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20 || byte == 0x7F) {
      out += ' ';
    } else {
      out += ch;
    }
  }
}

void WritePsStringBody(OutputBuffer& out, std::string_view text) {
  std::string body;
  AppendPsStringBody(body, text);
  out.put(body);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

namespace {
// The four ink fractions, "(" and the escaped name; the caller closes the string.
std::string EntryOpening(const CustomColor& color) {
  std::string text;
  for (std::uint8_t ink : {color.c, color.m, color.y, color.k}) AppendFraction(text, ink);
  text += '(';
  AppendPsStringBody(text, color.name);
  return text;
}
}  // namespace

void WriteCustomColorInks(OutputBuffer& out, const CustomColor& color) {
  out.put(EntryOpening(color));
}

std::string CustomColorEntryText(const CustomColor& color) { return EntryOpening(color) + ")"; }

}  // namespace vl::art
