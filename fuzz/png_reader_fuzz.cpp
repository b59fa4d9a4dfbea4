// libFuzzer target for the PNG reader (libspng underneath: our plan, palette, compositing and row delivery).
#include "fuzz/raster_reader_fuzz.h"
#include "image/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vl::fuzz::RunRasterReader(vl::image::readPng, data, size);
}
