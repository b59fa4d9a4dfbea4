// Benchmark input preparation: turns a binary PBM page into the bilevel TIFF that vectorlume
// reads, through the program's own TIFF writer, so that the comparison feeds both tracers the
// same pixels from files each side writes and reads natively.
//   pbm_to_tiff INPUT.pbm OUTPUT.tif RESOLUTION_PPI
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/program.h"
#include "image/raster_image.h"
#include "image/tiff_writer.h"
#include "platform/headless_ui.h"

namespace {

// A P4 header: magic, width, height, each separated by blanks or comments, then exactly one
// blank before the packed rows (1 = black, rows padded to whole bytes).
struct PbmHeader {
  long width = 0, height = 0;  // pixels
  std::size_t dataOffset = 0;  // bytes
};

bool ParsePbmHeader(const std::string& bytes, PbmHeader& header) {
  std::size_t pos = 0;
  auto number = [&](long& out) {
    for (;;) {
      while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
      if (pos < bytes.size() && bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    const std::size_t start = pos;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9' && pos - start < 7) ++pos;
    if (pos == start) return false;
    out = std::atol(bytes.substr(start, pos - start).c_str());
    return true;
  };
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '4') return false;
  pos = 2;
  if (!number(header.width) || !number(header.height)) return false;
  if (pos >= bytes.size() || !std::isspace(static_cast<unsigned char>(bytes[pos]))) return false;
  header.dataOffset = pos + 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pbm_to_tiff INPUT.pbm OUTPUT.tif RESOLUTION_PPI\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return std::fprintf(stderr, "cannot open %s\n", argv[1]), 1;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PbmHeader header;
  // Images are limited to signed 16-bit sides.
  if (!ParsePbmHeader(bytes, header) || header.width < 1 || header.height < 1 ||
      header.width > 32767 || header.height > 32767)
    return std::fprintf(stderr, "%s: not a binary PBM this program can hold\n", argv[1]), 1;
  const std::size_t pbmRowBytes = std::size_t(header.width + 7) / 8;
  if (bytes.size() - header.dataOffset < pbmRowBytes * std::size_t(header.height))
    return std::fprintf(stderr, "%s: the rows are cut short\n", argv[1]), 1;
  const double resolution = std::atof(argv[3]);  // pixels per inch
  if (!(resolution > 0)) return std::fprintf(stderr, "bad resolution %s\n", argv[3]), 1;

  vl::app::Program program(std::make_unique<vl::platform::HeadlessUi>());
  vl::base::Runtime rt = program.runtime();
  vl::image::RasterImage& image = program.image;
  if (!vl::image::setGeometry(image, std::int32_t(header.width), std::int32_t(header.height)) ||
      !vl::image::allocateBitLayer(image, program.memory))
    return std::fprintf(stderr, "%s: no memory for the page\n", argv[1]), 1;
  image.xResolution = image.yResolution = resolution;
  const auto* rows = reinterpret_cast<const unsigned char*>(bytes.data()) + header.dataOffset;
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* row = vl::image::BitRow(image, y);
    for (std::size_t i = 0; i < pbmRowBytes; ++i) row[i] = rows[std::size_t(y) * pbmRowBytes + i];
  }
  // The PBM's row padding is undefined; the bit layer's must be white.
  vl::image::clearPadding(image);
  const bool written = vl::image::WriteTiffFile(rt, image, argv[2]);
  vl::image::releaseImage(image, rt);
  return written ? 0 : 1;
}
