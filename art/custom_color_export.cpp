// The custom colour export file.
#include "art/custom_color_export.h"

#include "base/message_table.h"
#include "platform/atomic_file.h"
#include "art/gq_numbers.h"
#include "art/ps_text.h"

namespace vl::art {

namespace {

// Every line of the file ends with CR LF, unlike the art files' lone CR.
constexpr std::string_view kCrLf = "\r\n";

// The header before the colours, and everything after them.
constexpr std::string_view kOpening[] = {"%!PS-Adobe-3.0", "%%BoundingBox: 0 0 0 0",
                                         "%GQ3_ColorUsage: Color"};
constexpr std::string_view kClosing[] = {
    "%%EndComments",
    "%%BeginProlog",
    "%%IncludeResource: procset Morvo_packedarray 2.0 0",
    "%%IncludeResource: procset Morvo_cmykcolor 1.1 0",
    "%%IncludeResource: procset Morvo_cshow 1.1 0",
    "%%IncludeResource: procset Morvo_customcolor 1.0 0",
    "%%IncludeResource: procset Morvo_GraphiquantA_GQ3 1.0 0",
    "%%EndProlog",
    "%%BeginSetup",
    "%%EndSetup",
    "1 g",
    "0 0 m",
    "100 100 l",
    "f",
    "%%PageTrailer",
    "gsave annotatepage grestore showpage",
    "%%Trailer",
    "Morvo_Graphiquant_GQ3 /terminate get exec",
    "Morvo_pattern_GQ3 /terminate get exec",
    "Morvo_customcolor /terminate get exec",
    "Morvo_cshow /terminate get exec",
    "Morvo_cmykcolor /terminate get exec",
    "Morvo_packedarray /terminate get exec",
    "%%EOF",
};

}  // namespace

bool exportCustomColors(base::Runtime& rt, const std::string& fileName,
                        const CustomColorList& colors, bool taggedOnly) {
  platform::AtomicFile file;
  if (!file.create(fileName)) {
    base::ShowMessage(rt, msg::kCantExportColors);
    return false;
  }
  // The shared output buffer formats the numbers; its lines are ended here with CR LF. A
  // short write shows the disk message (the checked write's) and the export fails.
  rt.state.abortRequested = 0;
  OutputBuffer out(rt, file.handle(), false);
  if (!out.allocate()) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }
  auto line = [&out](std::string_view text) {
    out.put(text);
    out.put(kCrLf);
  };
  for (std::string_view text : kOpening) line(text);
  bool first = true;
  for (const CustomColor& color : colors) {
    if (taggedOnly && !color.tagged) continue;
    out.put(first ? "%%CMYKCustomColor: " : "%%+ ");
    first = false;
    WriteCustomColorInks(out, color);
    line(")");
  }
  for (std::string_view text : kClosing) line(text);
  out.flush();
  if (out.failed() || !file.commit()) {
    if (!out.failed()) base::ShowMessage(rt, msg::kCantExportColors);
    return false;
  }
  return true;
}

}  // namespace vl::art
