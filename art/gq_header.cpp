// Header and trailer of GQ/EPS files.
#include "art/gq_header.h"

#include <cstdio>
#include <string_view>

#include "art/gq_numbers.h"
#include "art/prolog_gq5.h"
#include "art/ps_text.h"

namespace vl::art {

namespace {

std::string_view PreviewName(int preview) {
  switch (preview) {
    case kPreviewNone: return "None";
    case kPreviewHeader: return "Header";
    case kPreviewMacPic: return "Macintosh_Pic";
    case kPreviewMacColorPic: return "Macintosh_ColorPic";
    default: return "PC_TIFF";
  }
}

void WriteCreationDate(OutputBuffer& out, const std::tm& t) {
  int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  char text[96];
  std::snprintf(text, sizeof text, "%%%%CreationDate: (%d/%d/%d) (%d:%02d %s)", t.tm_mon + 1,
                t.tm_mday, t.tm_year + 1900, hour, t.tm_min, t.tm_hour < 12 ? "AM" : "PM");
  out.line(text);
}

void WriteBox(OutputBuffer& out, std::string_view label, const PageScale& page) {
  out.put(label);
  out.put("0 0 ");
  out.putInt(page.pageWidth);
  out.put(' ');
  out.putInt(page.pageHeight);
  out.endLine();
}

void WriteColorUsage(GqWriter& w, std::uint32_t colorUsage) {
  OutputBuffer& out = w.out;
  int f = EffectiveFormat(w.format);
  out.put(f >= kFormatGq3 ? "%GQ3_ColorUsage: " : "%%ColorUsage: ");
  out.line((colorUsage & 0x00FFFFFFu) == 0 ? "Black&White" : "Color");
  out.put("%%DocumentProcessColors:");
  const char* inks[] = {" Cyan", " Magenta", " Yellow", " Black"};
  for (int i = 0; i < 4; ++i)
    if ((colorUsage >> (8 * i)) & 0xFFu) out.put(inks[i]);
  out.endLine();
  if (f < kFormatGq3) return;
  bool first = true;
  for (const CustomColor& color : w.customColors) {
    out.put(first ? "%%CMYKCustomColor: " : "%%+ ");
    first = false;
    WriteCustomColorInks(out, color);
    out.line(")");
  }
}

void WriteProcSets(GqWriter& w) {
  OutputBuffer& out = w.out;
  bool supplied = w.preview != kPreviewNone;
  switch (EffectiveFormat(w.format)) {
    case kFormatGq11:
      out.line("%%DocumentProcSets: Morvo_Graphiquant_1.1 0 0");
      break;
    case kFormatGq88:
      for (const char* name : {"Morvo_packedarray 1.0 0", "Morvo_cmykcolor 1.1 0",
                               "Morvo_cshow 1.1 0", "Morvo_customcolor 1.0 0",
                               "Morvo_Graphiquant88 1.19 0"}) {
        out.put("%%DocumentProcSets: ");
        out.line(name);
        if (supplied) {
          out.put("%%DocumentSuppliedProcSets: ");
          out.line(name);
        }
      }
      break;
    case kFormatGq3:
      out.line(supplied ? "%%DocumentSuppliedResources: procset Morvo_packedarray 2.0 0"
                        : "%%DocumentNeededResources: procset Morvo_packedarray 2.0 0");
      out.line("%%+ procset Morvo_cshow 1.1 0");
      out.line("%%+ procset Morvo_customcolor 1.0 0");
      out.line("%%+ procset Morvo_Graphiquant_GQ3 1.0 3");
      break;
    default:
      out.line(supplied ? "%%DocumentSuppliedResources: procset Morvo_level2_GQ5 1.0 0"
                        : "%%DocumentNeededResources: procset Morvo_level2_GQ5 1.0 0");
      out.line("%%+ procset Morvo_GraphiquantA_GQ5 1.0 0");
      out.line("%GQ5_FileFormat 1.1");
      break;
  }
}

// The embedded prolog is kept with LF line ends for reading; the file's lines end with CR.
void WriteProlog(OutputBuffer& out) {
  std::string_view text = Gq5Prolog();
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    out.line(text.substr(0, end));
    text.remove_prefix(end < text.size() ? end + 1 : end);
  }
}

void WritePrologSection(GqWriter& w) {
  OutputBuffer& out = w.out;
  int f = EffectiveFormat(w.format);
  if (f >= kFormatGq3) out.line("%%BeginProlog");
  if (w.preview != kPreviewNone) {
    WriteProlog(out);
  } else if (f == kFormatGq3) {
    out.line("%%IncludeResource: procset Morvo_packedarray 2.0 0");
    out.line("Morvo_packedarray /initialize get exec");
    out.line("%%IncludeResource: procset Morvo_cshow 1.1 0");
    out.line("%%IncludeResource: procset Morvo_customcolor 1.0 0");
    out.line("%%IncludeResource: procset Morvo_Graphiquant_GQ3 1.0 1");
  } else if (f == kFormatGq5) {
    out.line("%%IncludeResource: procset Morvo_level2_GQ5 1.0 0");
    out.line("%%IncludeResource: procset Morvo_GraphiquantA_GQ5 1.0 0");
  }
  out.line("%%EndProlog");
}

void WriteSetup(GqWriter& w) {
  OutputBuffer& out = w.out;
  int f = EffectiveFormat(w.format);
  out.line("%%BeginSetup");
  switch (f) {
    case kFormatGq11:
      out.line("Morvo_Graphiquant_1.1 begin");
      out.line("n");
      break;
    case kFormatGq88:
      out.line("Morvo_cshow /initialize get exec");
      out.line("Morvo_customcolor /initialize get exec");
      out.line("Morvo_Graphiquant88 /initialize get exec");
      break;
    case kFormatGq3:
      out.line("Morvo_cshow /initialize get exec");
      out.line("Morvo_customcolor /initialize get exec");
      out.line("Morvo_Graphiquant_GQ3 /initialize get exec");
      break;
    default:
      out.line("Morvo_level2_GQ5 /initialize get exec");
      out.line("Morvo_GraphiquantA_GQ5 /initialize get exec");
      break;
  }
  out.line("%%EndSetup");
  if (f >= kFormatGq88) {
    out.line("0 A");
    out.line("0 O");
  }
  out.line("0 g");
  out.line("0 G");
  out.line("0 i");
  out.line("2 J 0 j 1 w 2 M []0 d");
  if (f < kFormatGq3) {
    out.line("%%Note:");
  } else {
    out.line("%GQ3_Note:");
    out.line("0 D");
  }
}

}  // namespace

void writeHeader(GqWriter& w, const ArtImageInfo& image, const SaveStamp& stamp,
                 std::uint32_t colorUsage) {
  w.page = computePageScale(image, w.format);
  OutputBuffer& out = w.out;
  int f = EffectiveFormat(w.format);
  bool eps = w.preview != kPreviewNone;

  out.put(f < kFormatGq3 ? "%!PS-Adobe-2.0" : "%!PS-Adobe-3.0");
  if (eps) out.put(f < kFormatGq3 ? " EPSF-1.2" : " EPSF-3.0");
  out.endLine();
  out.put("%%Creator:Morvo Vectorlume");
  out.put('\xAA');
  out.line(" 4.0");
  out.put("%%For: (");
  WritePsStringBody(out, TrimTrailingBlanks(stamp.user));
  out.put(") (");
  WritePsStringBody(out, TrimTrailingBlanks(stamp.organisation));
  out.line(")");
  out.put("%%Title: (");
  WritePsStringBody(out, image.outputName);
  out.line(")");
  WriteCreationDate(out, stamp.time);
  WriteBox(out, "%%BoundingBox:", w.page);
  WriteColorUsage(w, colorUsage);
  WriteProcSets(w);
  out.line("%GQ3_IncludePlacedImages");
  WriteBox(out, f < kFormatGq3 ? "%%TemplateBox:" : "%GQ3_TemplateBox:", w.page);
  out.put(f < kFormatGq3 ? "%%DocumentPreview: " : "%GQ3_DocumentPreview: ");
  out.line(PreviewName(w.preview));
  out.line("%%EndComments");
  WritePrologSection(w);
  WriteSetup(w);
}

void writeTrailer(GqWriter& w) {
  OutputBuffer& out = w.out;
  out.line("%%PageTrailer");
  switch (EffectiveFormat(w.format)) {
    case kFormatGq11:
      out.line("%%Trailer");
      out.line("_E end");
      break;
    case kFormatGq88:
      out.line("%%Trailer");
      out.line("Morvo_Graphiquant88 /terminate get exec");
      out.line("Morvo_customcolor /terminate get exec");
      out.line("Morvo_cshow /terminate get exec");
      out.line("Morvo_packedarray /terminate get exec");
      break;
    case kFormatGq3:
      out.line("gsave annotatepage grestore showpage");
      out.line("%%Trailer");
      out.line("Morvo_Graphiquant_GQ3 /terminate get exec");
      out.line("Morvo_customcolor /terminate get exec");
      out.line("Morvo_cshow /terminate get exec");
      out.line("Morvo_packedarray /terminate get exec");
      break;
    default:
      out.line("gsave annotatepage grestore showpage");
      out.line("%%Trailer");
      out.line("Morvo_GraphiquantA_GQ5 /terminate get exec");
      out.line("Morvo_level2_GQ5 /terminate get exec");
      break;
  }
  out.line("%%EOF");
}

}  // namespace vl::art
