// libFuzzer target for the JPEG reader (libjpeg-turbo underneath: our source manager, error jumps and row delivery).
#include "fuzz/raster_reader_fuzz.h"
#include "image/jpeg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vl::fuzz::RunRasterReader(vl::image::readJpeg, data, size);
}
