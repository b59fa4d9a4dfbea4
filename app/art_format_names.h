// The art formats and EPS preview kinds the command line names, each written once. Parsing,
// the output name's extension, the usage messages and the help text's lists all read these
// tables, so a format added here is named, explained and refused alike everywhere.
#pragma once

#include <string_view>

#include "app/document.h"
#include "art/gq_writer.h"
#include "platform/file_names.h"

namespace vl::app {

// What a format name does to the EPS preview.
enum class PreviewRule {
  kNone,       // a plain GQ file
  kHeader,     // EPS with the header preview
  kOpen,       // a GQ generation: a header when the output name ends in the kHeader row's
               // extension or no output is named, else none; --preview may still choose
  kNoPreview,  // not a GQ file: --preview is refused and the preview field keeps its default
};

// The `format` of the SVG and PDF rows: each has its own writer, outside the save driver's
// codes.
constexpr int kSvgWriter = -1;
constexpr int kPdfWriter = -2;

struct ArtFormatName {
  std::string_view name;       // --format's value
  std::string_view extension;  // lower case, dot included; the output name that calls for the
                               // format; empty for a format no extension names
  int format;                  // save-driver format code, or kSvgWriter
  PreviewRule preview;
  std::string_view note;  // the help's remark in parentheses, given where the help first lists
                          // the row: with -o for a row with an extension, else with --format
};

// In the order the help and the messages list them.
inline constexpr ArtFormatName kArtFormatNames[] = {
    {"gq1", "", art::kFormatGq11, PreviewRule::kOpen, ""},
    {"gq88", "", art::kFormatGq88, PreviewRule::kOpen, ""},
    {"gq3", "", art::kFormatGq3, PreviewRule::kOpen, ""},
    // The note closes the list of generations and speaks for all four.
    {"gq5", "", art::kFormatGq5, PreviewRule::kOpen,
     "a GQ generation; with a header when FILE ends in .eps"},
    {"eps", ".eps", art::kFormatGq5, PreviewRule::kHeader, "EPS"},
    {"gq", ".gq", art::kFormatGq5, PreviewRule::kNone, "a plain GQ file"},
    {"svg", ".svg", kSvgWriter, PreviewRule::kNoPreview, ""},
    {"pdf", ".pdf", kPdfWriter, PreviewRule::kNoPreview, ""},
    {"emf", ".emf", art::kFormatEmf, PreviewRule::kNoPreview, ""},
    {"dxf", ".dxf", art::kFormatDxf, PreviewRule::kNoPreview, ""},
};

struct PreviewKindName {
  std::string_view name;  // --preview's value
  int preview;            // EPS preview kind code
  std::string_view note;  // the help's remark in parentheses
};

// In the order the help and the messages list them.
inline constexpr PreviewKindName kPreviewKindNames[] = {
    {"none", art::kPreviewNone, "a plain GQ file"},
    {"header", art::kPreviewHeader, ""},
    {"mac-pic", art::kPreviewMacPic, ""},
    {"mac-color-pic", art::kPreviewMacColorPic, ""},
    {"tiff-bw", art::kPreviewTiffBw, ""},
    {"tiff-color", art::kPreviewTiffColor, ""},
};

// The row --format `name` picks; nullptr for none.
constexpr const ArtFormatName* FindArtFormatName(std::string_view name) {
  for (const ArtFormatName& row : kArtFormatNames)
    if (row.name == name) return &row;
  return nullptr;
}

// The row whose extension ends `path`, in any case; nullptr for none.
inline const ArtFormatName* ArtFormatNameForPath(std::string_view path) {
  for (const ArtFormatName& row : kArtFormatNames)
    if (!row.extension.empty() && platform::HasExtension(path, row.extension)) return &row;
  return nullptr;
}

// The extension of the row with `rule`: the names of EPS (kHeader) and plain GQ (kNone) files.
constexpr std::string_view ExtensionForRule(PreviewRule rule) {
  for (const ArtFormatName& row : kArtFormatNames)
    if (!row.extension.empty() && row.preview == rule) return row.extension;
  return {};
}

// The row --preview `name` picks; nullptr for none.
constexpr const PreviewKindName* FindPreviewKindName(std::string_view name) {
  for (const PreviewKindName& row : kPreviewKindNames)
    if (row.name == name) return &row;
  return nullptr;
}

// The format `row` names. `headerName`: the output is named with the kHeader row's extension,
// or not named at all; only a GQ generation looks at it.
constexpr ArtFormat FormatForRow(const ArtFormatName& row, bool headerName) {
  ArtFormat format;
  if (row.format == kSvgWriter) format.svg = true;
  else if (row.format == kPdfWriter) format.pdf = true;
  else format.format = row.format;
  switch (row.preview) {
    case PreviewRule::kNone: format.preview = art::kPreviewNone; break;
    case PreviewRule::kHeader: format.preview = art::kPreviewHeader; break;
    case PreviewRule::kOpen:
      format.preview = headerName ? art::kPreviewHeader : art::kPreviewNone;
      break;
    case PreviewRule::kNoPreview: break;
  }
  return format;
}

// The `format` column of the row that names `format`'s writer (GQ rows aside).
constexpr int FormatColumn(const ArtFormat& format) {
  return format.svg ? kSvgWriter : format.pdf ? kPdfWriter : format.format;
}

// What the lookups and the extension mapping rely on.
constexpr bool ArtFormatNamesAreConsistent() {
  int headerRows = 0, plainRows = 0;
  for (const ArtFormatName& row : kArtFormatNames) {
    if (row.name.empty()) return false;
    // An extension names one format, so it cannot leave the preview open.
    if (!row.extension.empty()) {
      if (row.extension.front() != '.' || row.preview == PreviewRule::kOpen) return false;
      for (char c : row.extension)
        if (c >= 'A' && c <= 'Z') return false;  // the case-blind match wants lower case
      headerRows += row.preview == PreviewRule::kHeader;
      plainRows += row.preview == PreviewRule::kNone;
    }
    for (const ArtFormatName& other : kArtFormatNames) {
      if (&other == &row) continue;
      if (other.name == row.name) return false;
      if (!row.extension.empty() && other.extension == row.extension) return false;
    }
  }
  // Art without a name of its own is named .eps or .gq by its preview.
  return headerRows == 1 && plainRows == 1;
}
static_assert(ArtFormatNamesAreConsistent());

}  // namespace vl::app
