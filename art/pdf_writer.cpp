// The PDF writer.
#include "art/pdf_writer.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <span>
#include <string_view>

#include "art/anchor_walk.h"
#include "art/art_output_buffer.h"
#include "art/gq_numbers.h"
#include "art/gq_writer.h"
#include "art/page_scale.h"
#include "art/save_art.h"
#include "art/svg_writer.h"
#include "base/message_table.h"
#include "base/progress.h"
#include "platform/atomic_file.h"

namespace vl::art {

namespace {

constexpr double kMiterLimit = 2.0;  // the EPS setup's "2 M"
// Weight 0 is PostScript's thinnest line (one device pixel); cairo leaves a 0-wide stroke out
// altogether, so it is written as 1/1200 inch, which renderers show one pixel wide too.
constexpr double kThinnestLinePt = 72.0 / 1200.0;

cairo_status_t WriteToBuffer(void* closure, const unsigned char* data, unsigned int length) {
  auto& out = *static_cast<OutputBuffer*>(closure);
  out.put(std::string_view(reinterpret_cast<const char*>(data), length));
  return out.failed() ? CAIRO_STATUS_WRITE_ERROR : CAIRO_STATUS_SUCCESS;
}

// Where the EPS puts a point, in cairo's page space (points, y down from the page top).
struct PdfPage {
  PageScale scale;
  double heightPt = 0;
  double x(std::int32_t artValue) const { return CoordinateTenths(scale, artValue, false) / 10.0; }
  double y(std::int32_t artValue) const {
    return heightPt - CoordinateTenths(scale, artValue, true) / 10.0;
  }
};

void SetPaint(cairo_t* cr, PaintType type, std::uint32_t packed, std::uint16_t customIndex,
              std::uint8_t tint, const CustomColorList& colors) {
  SvgColor c;
  if (!SvgPaintColor(type, packed, customIndex, tint, colors, c)) return;
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void DrawPath(cairo_t* cr, const PdfPage& page, const PathRecord& path,
              const CustomColorList& colors) {
  const std::span<const std::uint16_t> words = PointWords(path);
  if (!detail::HasAnchorAt(words, 0)) return;
  const bool fill = path.fillType != PaintType::None && !(path.flags & kUnfilled);
  const bool stroke = path.strokeType != PaintType::None;
  if (!fill && !stroke) return;
  auto at = [&](std::size_t i) { return std::pair(page.x(detail::X(words, i)), page.y(detail::Y(words, i))); };
  cairo_new_path(cr);
  const auto [x0, y0] = at(0);
  cairo_move_to(cr, x0, y0);
  for (std::size_t i = 0;;) {
    const std::size_t next = detail::NextAnchor(words, i);
    if (!detail::HasAnchorAt(words, next)) break;
    const auto [x, y] = at(next);
    if (words[i] & kCurveBit) {
      const auto [x1, y1] = at(i + 2);
      const auto [x2, y2] = at(i + 4);
      cairo_curve_to(cr, x1, y1, x2, y2, x, y);
    } else {
      cairo_line_to(cr, x, y);
    }
    i = next;
  }
  // "b" closes the path before painting it; "S" strokes it as it stands.
  if (fill) cairo_close_path(cr);
  if (fill) {
    SetPaint(cr, path.fillType, path.fillColor, path.fillCustomIndex, path.fillTint, colors);
    if (stroke) cairo_fill_preserve(cr);
    else cairo_fill(cr);
  }
  if (stroke) {
    SetPaint(cr, path.strokeType, path.strokeColor, path.strokeCustomIndex, path.strokeTint,
             colors);
    cairo_set_line_width(cr, path.strokeWeight == 0 ? kThinnestLinePt : path.strokeWeight / 10.0);
    cairo_stroke(cr);
  }
}

}  // namespace

bool SavePdf(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName, bool unattended) {
  const int failureMessage = unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked;
  rt.state.abortRequested = 0;  // a stale stop request would make every write a no-op
  platform::AtomicFile file;
  if (!file.create(fileName)) {
    base::ShowMessage(rt, failureMessage);
    return false;
  }
  OutputBuffer out(rt, file.handle(), unattended);
  if (!out.allocate()) {
    base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    return false;
  }
  PdfPage page;
  page.scale = computePageScale(image, kFormatGq5);
  page.heightPt = page.scale.pageHeight;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
      WriteToBuffer, &out, page.scale.pageWidth, page.scale.pageHeight);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, image.outputName.c_str());
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Morvo Vectorlume");
  cairo_t* cr = cairo_create(surface);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr, kMiterLimit);

  const std::string label = SavingLabel(fileName);
  const std::span<const PathRecord> paths = PathsInUse(art);
  const int total = static_cast<int>(paths.size());
  int drawn = 0;
  for (const PathRecord& path : paths) {
    if (base::PollAbort(rt)) break;
    DrawPath(cr, page, path, customColors);
    ++drawn;
    if (total >= kProgressMinPaths) base::ShowProgress(rt, drawn * 100 / total, label);
  }
  // A stop still finishes the document: the writes refuse while the flag is up, so it is
  // lowered while cairo writes the file and raised again.
  const bool stopped = rt.state.abortRequested != 0 && !out.failed();
  rt.state.abortRequested = 0;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool drawnWell = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  out.flush();
  bool ok = false;
  if (!out.failed()) {
    ok = drawnWell && file.commit();
    if (!ok) base::ShowMessage(rt, failureMessage);
  }
  if (stopped && ok) rt.state.abortRequested = 1;
  base::ShowProgress(rt, 0, "");
  return ok && !stopped;
}

}  // namespace vl::art
