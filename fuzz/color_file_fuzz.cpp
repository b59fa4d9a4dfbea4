// libFuzzer target for the colour file reader. The input is the file. Read whole and fed in
// two pieces (split where the first byte says) it must give the same result; a file that reads
// holds at most 900 colours with names of 1 to 31 bytes free of control characters, and its
// colours written back as a colour file read again to the same names, with inks that a second
// round leaves exactly as they are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "art/custom_color_table.h"
#include "art/ps_text.h"

namespace {

using namespace vl::art;

std::string Rewrite(const CustomColorList& colors) {
  std::string text = "%!PS-Adobe-3.0\r\n";
  for (std::size_t i = 0; i < colors.size(); ++i)
    text += (i == 0 ? "%%CMYKCustomColor: " : "%%+ ") + CustomColorEntryText(colors[i]) + "\r\n";
  return text + "%%EndComments\r\n";
}

ColorFileRead ReadText(const std::string& text) {
  return ParseColorFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool SameColors(const CustomColorList& a, const CustomColorList& b, bool inks) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name) return false;
    if (inks && (a[i].c != b[i].c || a[i].m != b[i].m || a[i].y != b[i].y || a[i].k != b[i].k))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  const ColorFileRead whole = ParseColorFile(file);
  ColorFileParser parser;
  const std::size_t split = size == 0 ? 0 : data[0] % size;
  FeedColorFile(parser, file.first(split));
  FeedColorFile(parser, file.subspan(split));
  const ColorFileRead pieces = FinishColorFile(parser);
  if (pieces.result != whole.result || pieces.line != whole.line ||
      !SameColors(pieces.colors, whole.colors, true))
    std::abort();
  if (whole.result != ColorFileResult::kRead) {
    if (!whole.colors.empty() || whole.line < 1) std::abort();
    return 0;
  }
  if (whole.colors.size() > kMaxCustomColors) std::abort();
  for (const CustomColor& color : whole.colors) {
    if (color.name.empty() || color.name.size() > kMaxColorNameBytes) std::abort();
    for (char c : color.name)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
  }
  const ColorFileRead once = ReadText(Rewrite(whole.colors));
  if (once.result != ColorFileResult::kRead || !SameColors(once.colors, whole.colors, false))
    std::abort();
  const ColorFileRead twice = ReadText(Rewrite(once.colors));
  if (twice.result != ColorFileResult::kRead || !SameColors(twice.colors, once.colors, true))
    std::abort();
  return 0;
}
