// The SVG writer.
#include "art/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "base/message_table.h"
#include "art/anchor_walk.h"
#include "art/art_output_buffer.h"
#include "platform/atomic_file.h"
#include "art/page_scale.h"
#include "art/gq_writer.h"
#include "art/save_art.h"
#include "base/progress.h"

namespace vl::art {

namespace {

void PutXmlText(OutputBuffer& out, std::string_view text) {
  for (char ch : text) {
    switch (ch) {
      case '&': out.put("&amp;"); break;
      case '<': out.put("&lt;"); break;
      case '>': out.put("&gt;"); break;
      case '"': out.put("&quot;"); break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        out.put(static_cast<unsigned char>(ch) < 0x20 ? ' ' : ch);
    }
  }
}

// A pixel coordinate with at most three decimals (rounded half to even, as printf does),
// trailing zeros dropped. Written by hand: a page of text has some 300,000 of them.
void PutNumber(OutputBuffer& out, double value) {
  constexpr double kLimit = 1e15;  // thousandths that still fit 64 bits
  const double thousandths = std::nearbyint(value * 1000.0);
  if (!(std::fabs(thousandths) < kLimit)) {  // NaN, infinite, or no pixel coordinate
    out.put('0');
    return;
  }
  const auto signedValue = static_cast<std::int64_t>(thousandths);
  std::uint64_t magnitude = signedValue < 0 ? std::uint64_t(-signedValue) : std::uint64_t(signedValue);
  char text[24];
  char* const end = text + sizeof text;
  char* p = end;
  unsigned fraction = static_cast<unsigned>(magnitude % 1000);
  magnitude /= 1000;
  if (fraction != 0) {
    int digits = 3;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    for (; digits > 0; --digits, fraction /= 10) *--p = static_cast<char>('0' + fraction % 10);
    *--p = '.';
  }
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (signedValue < 0) *--p = '-';
  out.put(std::string_view(p, std::size_t(end - p)));
}

// A page side in points: six decimals keep it within a millionth of a pixel of the image's
// own size at any resolution, trailing zeros dropped.
void PutSize(OutputBuffer& out, double points) {
  char text[40];
  std::snprintf(text, sizeof text, "%.6f", points);
  std::string_view digits(text);
  if (digits.find('.') != std::string_view::npos) {
    while (digits.back() == '0') digits.remove_suffix(1);
    if (digits.back() == '.') digits.remove_suffix(1);
  }
  out.put(digits);
}

void PutPaint(OutputBuffer& out, const char* attribute, bool painted, PaintType type,
              std::uint32_t packed, std::uint16_t customIndex, std::uint8_t tint,
              const CustomColorList& colors) {
  SvgColor color;
  out.put(' ');
  out.put(attribute);
  out.put("=\"");
  if (painted && SvgPaintColor(type, packed, customIndex, tint, colors, color)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", color.r, color.g, color.b);
    out.put(hex);
  } else {
    out.put("none");
  }
  out.put('"');
}

void WritePathElement(OutputBuffer& out, const PathRecord& path, double artScale,
                      double pixelsPerPoint, const CustomColorList& colors) {
  std::span<const std::uint16_t> words = PointWords(path);
  if (!detail::HasAnchorAt(words, 0)) return;
  bool fill = path.fillType != PaintType::None && !(path.flags & kUnfilled);
  bool stroke = path.strokeType != PaintType::None;
  if (!fill && !stroke) return;
  bool grouped = (path.flags & kGrouped) != 0;
  if (grouped) out.put("<g>\n");

  auto point = [&](std::size_t at) {
    PutNumber(out, detail::X(words, at) / artScale);
    out.put(' ');
    PutNumber(out, detail::Y(words, at) / artScale);
  };
  out.put("<path d=\"M");
  point(0);
  for (std::size_t at = 0;;) {
    std::size_t next = detail::NextAnchor(words, at);
    if (!detail::HasAnchorAt(words, next)) break;
    if (words[at] & kCurveBit) {
      out.put(" C");
      point(at + 2);
      out.put(' ');
      point(at + 4);
      out.put(' ');
    } else {
      out.put(" L");
    }
    point(next);
    at = next;
  }
  if (IsClosed(path)) out.put(" Z");
  out.put('"');
  PutPaint(out, "fill", fill, path.fillType, path.fillColor, path.fillCustomIndex, path.fillTint,
           colors);
  PutPaint(out, "stroke", stroke, path.strokeType, path.strokeColor, path.strokeCustomIndex,
           path.strokeTint, colors);
  if (stroke) {
    out.put(" stroke-width=\"");
    PutNumber(out, path.strokeWeight / 10.0 * pixelsPerPoint);
    out.put('"');
  }
  out.put("/>\n");
  if (grouped) out.put("</g>\n");
}

}  // namespace

bool SvgPaintColor(PaintType type, std::uint32_t packed, std::uint16_t customIndex,
                   std::uint8_t tint, const CustomColorList& customColors, SvgColor& out) {
  int c = packed & 0xFF, m = (packed >> 8) & 0xFF, y = (packed >> 16) & 0xFF, k = packed >> 24;
  switch (type) {
    case PaintType::None:
      return false;
    case PaintType::White:
      out = {255, 255, 255};
      return true;
    case PaintType::Black: {
      auto level = static_cast<std::uint8_t>(255 - k);
      out = {level, level, level};
      return true;
    }
    case PaintType::Custom:
      if (customIndex < customColors.size()) {
        const CustomColor& color = customColors[customIndex];
        // The tint scales every ink: 255 is the colour itself, 0 no ink at all.
        c = color.c * tint / 255;
        m = color.m * tint / 255;
        y = color.y * tint / 255;
        k = color.k * tint / 255;
      }
      break;
    default:
      break;
  }
  out.r = static_cast<std::uint8_t>(255 - std::min(255, c + k));
  out.g = static_cast<std::uint8_t>(255 - std::min(255, m + k));
  out.b = static_cast<std::uint8_t>(255 - std::min(255, y + k));
  return true;
}

bool SaveSvg(base::Runtime& rt, const Artwork& art, const ArtImageInfo& image,
             const CustomColorList& customColors, const std::string& fileName, bool unattended,
             bool selectedOnly) {
  const int failureMessage = unattended ? msg::kScratchDiskFull : msg::kDiskFullOrLocked;
  rt.state.abortRequested = 0;  // a stale stop request would make every write a no-op
  bool ok = false, stopped = false;
  platform::AtomicFile file;
  if (!file.create(fileName)) {
    base::ShowMessage(rt, failureMessage);
  } else {
    OutputBuffer out(rt, file.handle(), unattended);
    if (!out.allocate()) {
      base::ShowMessage(rt, msg::kNotEnoughMemoryRestart);
    } else {
      PageScale page = computePageScale(image, kFormatGq5);
      double artScale = image.artScale > 0 ? image.artScale : 1.0;
      out.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
      // The page is the image itself (not the padded rows) at its resolution, in points with
      // decimals, and the view box the same image in pixels: every renderer then maps pixel
      // (x, y) to the same place. Rounding the sizes up on their own stretched the art by up
      // to a pixel in viewers that honour the document size.
      out.put("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"");
      PutSize(out, image.trueWidth() * page.pointsPerPixelX);
      out.put("pt\" height=\"");
      PutSize(out, image.height * page.pointsPerPixelY);
      out.put("pt\" viewBox=\"0 0 ");
      out.putInt(image.trueWidth());
      out.put(' ');
      out.putInt(image.height);
      // Pixels that are not square (different resolutions across and down) stretch the view
      // box to the page instead of centring it.
      if (page.pointsPerPixelX != page.pointsPerPixelY) out.put("\" preserveAspectRatio=\"none");
      out.put("\" fill-rule=\"nonzero\" stroke-linecap=\"square\" stroke-linejoin=\"miter\""
              " stroke-miterlimit=\"2\">\n");
      out.put("<title>");
      PutXmlText(out, image.outputName);
      out.put("</title>\n");
      const std::string label = SavingLabel(fileName);
      const std::span<const PathRecord> paths = PathsInUse(art);
      const int total = static_cast<int>(paths.size());
      int written = 0;
      for (const PathRecord& path : paths) {
        if (base::PollAbort(rt)) break;
        if (!selectedOnly || (path.flags & kSelected) != 0)
          WritePathElement(out, path, artScale, 1.0 / page.pointsPerPixelX, customColors);
        ++written;
        if (total >= kProgressMinPaths) base::ShowProgress(rt, written * 100 / total, label);
      }
      // A stop by the user still ends the file properly: the writes refuse while the flag is
      // up, so it is lowered for the closing tag and raised again.
      stopped = rt.state.abortRequested != 0 && !out.failed();
      rt.state.abortRequested = 0;
      out.put("</svg>\n");
      out.flush();
      if (!out.failed()) {
        ok = file.commit();
        if (!ok) base::ShowMessage(rt, failureMessage);
      }
      if (stopped && ok) rt.state.abortRequested = 1;
      base::ShowProgress(rt, 0, "");
    }
  }
  return ok && !stopped;
}

}  // namespace vl::art
