// libFuzzer target for the BMP reader (palettes, bit fields, RLE8 and RLE4, both row orders).
#include "fuzz/raster_reader_fuzz.h"
#include "image/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vl::fuzz::RunRasterReader(vl::image::readBmp, data, size);
}
