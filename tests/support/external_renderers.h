// Outside renderers used as test oracles: Ghostscript for PostScript art files and
// rsvg-convert for SVG, each rendering to a gray image of an exact pixel size.
#pragma once

#include <optional>
#include <string>

#include "tests/support/gray_image.h"

namespace vl::test_support {

// Whether a program of that name is on PATH.
bool ToolAvailable(const std::string& program);

// Renders an EPS file (no anti-aliasing, CMYK to gray by the plain formula rather than
// through colour profiles, so that full black ink is black) at pointsPerPixelX/Y, the scale of its art, and
// returns the width x height pixels at the bottom left of the page: the page's size in points
// is rounded up, so the art may not fill it, and PostScript pages grow from the bottom left.
// Nothing when the interpreter fails or the page is smaller than that.
// workFolder: where the intermediate image goes (ends in '/'). `antialiased` renders with
// anti-aliased edges and without the interpreter's fill adjustment (which paints every pixel
// an outline touches), as the SVG renderer draws: the fair comparison of pixel errors.
std::optional<GrayImage> RenderEpsWithGhostscript(const std::string& epsPath, int width,
                                                  int height, double pointsPerPixelX,
                                                  double pointsPerPixelY,
                                                  const std::string& workFolder,
                                                  bool antialiased = false);

// Renders an SVG file to width x height pixels (anti-aliased edges), as gray.
std::optional<GrayImage> RenderSvgWithRsvg(const std::string& svgPath, int width, int height,
                                           const std::string& workFolder);

// Renders a PDF file with poppler's pdftoppm (anti-aliased) at pointsPerPixelX/Y and returns
// the width x height pixels at the bottom left of its page, as the EPS renderer does.
std::optional<GrayImage> RenderPdfWithPoppler(const std::string& pdfPath, int width, int height,
                                              double pointsPerPixelX, double pointsPerPixelY,
                                              const std::string& workFolder);

// Renders an SVG file at `dotsPerInch` (its own page size decides the pixel size), as gray.
std::optional<GrayImage> RenderSvgAtResolution(const std::string& svgPath, double dotsPerInch,
                                               const std::string& workFolder);

// Reads a binary PGM (P5, 8-bit) file.
std::optional<GrayImage> ReadPgm(const std::string& path);

}  // namespace vl::test_support
