// Outside renderers used as test oracles.
#include "tests/support/external_renderers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vl::test_support {

namespace {
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
}  // namespace

bool ToolAvailable(const std::string& program) {
  return Run("command -v " + Quoted(program));
}

std::optional<GrayImage> ReadPgm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t pos = 0;
  auto token = [&]() {
    for (;;) {
      while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
      if (pos < bytes.size() && bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    std::size_t start = pos;
    while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    return bytes.substr(start, pos - start);
  };
  if (token() != "P5") return std::nullopt;
  int width = std::atoi(token().c_str());
  int height = std::atoi(token().c_str());
  int maxval = std::atoi(token().c_str());
  ++pos;  // the single blank before the samples
  if (width <= 0 || height <= 0 || maxval != 255) return std::nullopt;
  if (bytes.size() - pos < std::size_t(width) * height) return std::nullopt;
  GrayImage image(width, height, 0);
  std::copy(bytes.begin() + long(pos), bytes.begin() + long(pos) + long(image.pixels.size()),
            image.pixels.begin());
  return image;
}

std::optional<GrayImage> RenderEpsWithGhostscript(const std::string& epsPath, int width,
                                                  int height, double pointsPerPixelX,
                                                  double pointsPerPixelY,
                                                  const std::string& workFolder,
                                                  bool antialiased) {
  std::string output = workFolder + "gs_render.pgm";
  std::remove(output.c_str());
  char resolution[64];
  std::snprintf(resolution, sizeof resolution, "-r%.6fx%.6f", 72.0 / pointsPerPixelX,
                72.0 / pointsPerPixelY);
  std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -dUseFastColor -sDEVICE=pgmraw " +
                        std::string(resolution) + " -sOutputFile=" + Quoted(output) +
                        (antialiased ? " -dGraphicsAlphaBits=4 -c '0 0 .setfilladjust2' -f " : " ") +
                        Quoted(epsPath);
  if (!Run(command)) return std::nullopt;
  std::optional<GrayImage> page = ReadPgm(output);
  if (!page || page->width < width || page->height < height) return std::nullopt;
  GrayImage image(width, height, 255);
  int top = page->height - height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.at(x, y) = page->at(x, top + y);
  return image;
}

namespace {
// rsvg-convert's PNG as a plain gray image, through the system Python's imaging library.
std::optional<GrayImage> PngAsGray(const std::string& png, const std::string& workFolder) {
  std::string pgm = workFolder + "rsvg_render.pgm";
  std::remove(pgm.c_str());
  std::string convert = "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                        "Image.open(sys.argv[1]).convert('L').save(sys.argv[2])\" " +
                        Quoted(png) + " " + Quoted(pgm);
  if (!Run(convert)) return std::nullopt;
  return ReadPgm(pgm);
}
}  // namespace

std::optional<GrayImage> RenderSvgAtResolution(const std::string& svgPath, double dotsPerInch,
                                               const std::string& workFolder) {
  std::string png = workFolder + "rsvg_render.png";
  std::remove(png.c_str());
  std::ostringstream command;
  command.precision(12);
  command << "rsvg-convert -b white --dpi-x " << dotsPerInch << " --dpi-y " << dotsPerInch
          << " -o " << Quoted(png) << " " << Quoted(svgPath);
  if (!Run(command.str())) return std::nullopt;
  return PngAsGray(png, workFolder);
}

std::optional<GrayImage> RenderPdfWithPoppler(const std::string& pdfPath, int width, int height,
                                              double pointsPerPixelX, double pointsPerPixelY,
                                              const std::string& workFolder) {
  const std::string stem = workFolder + "poppler_render";
  std::remove((stem + ".pgm").c_str());
  char resolution[96];
  std::snprintf(resolution, sizeof resolution, "-rx %.6f -ry %.6f", 72.0 / pointsPerPixelX,
                72.0 / pointsPerPixelY);
  if (!Run("pdftoppm -gray -singlefile " + std::string(resolution) + " " + Quoted(pdfPath) + " " +
           Quoted(stem))) {
    return std::nullopt;
  }
  std::optional<GrayImage> page = ReadPgm(stem + ".pgm");
  if (!page || page->width < width || page->height < height) return std::nullopt;
  GrayImage image(width, height, 255);
  const int top = page->height - height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.at(x, y) = page->at(x, top + y);
  return image;
}

std::optional<GrayImage> RenderSvgWithRsvg(const std::string& svgPath, int width, int height,
                                           const std::string& workFolder) {
  std::string png = workFolder + "rsvg_render.png";
  std::string pgm = workFolder + "rsvg_render.pgm";
  std::remove(png.c_str());
  std::remove(pgm.c_str());
  std::ostringstream command;
  command << "rsvg-convert -b white -w " << width << " -h " << height << " -o " << Quoted(png)
          << " " << Quoted(svgPath);
  if (!Run(command.str())) return std::nullopt;
  // The system Python has the imaging library; it turns the PNG into a plain gray PGM.
  std::string convert = "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                        "Image.open(sys.argv[1]).convert('L').save(sys.argv[2])\" " +
                        Quoted(png) + " " + Quoted(pgm);
  if (!Run(convert)) return std::nullopt;
  std::optional<GrayImage> image = ReadPgm(pgm);
  if (!image || image->width != width || image->height != height) return std::nullopt;
  return image;
}

}  // namespace vl::test_support
