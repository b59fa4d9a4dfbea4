// Outside text (names, titles, user names) made safe for a line of the art file: inside the
// parentheses of a PostScript string or a structuring comment, a stray ")" or "\" would end or
// corrupt the string and a line break would let the rest of the text run as program code.
#pragma once

#include <string>
#include <string_view>

#include "art/art_output_buffer.h"
#include "art/art_writer_inputs.h"

namespace vl::art {

// Writes text for use between "(" and ")": parentheses and backslashes are escaped, control
// characters (CR, LF, tab and the like) become blanks.
void WritePsStringBody(OutputBuffer& out, std::string_view text);
void AppendPsStringBody(std::string& out, std::string_view text);

// A custom colour as the art files name it: its four ink fractions, then "(" and its name,
// escaped; the caller closes the string.
void WriteCustomColorInks(OutputBuffer& out, const CustomColor& color);
// The whole entry as a colour file holds it: "1 0 0.55 0 (Aqua)".
std::string CustomColorEntryText(const CustomColor& color);

// text without its trailing blanks.
std::string_view TrimTrailingBlanks(std::string_view text);

}  // namespace vl::art
