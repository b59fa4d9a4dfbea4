// libFuzzer target for the netpbm reader (PBM, PGM, PPM, PAM; plain and binary).
#include "fuzz/raster_reader_fuzz.h"
#include "image/pnm_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vl::fuzz::RunRasterReader(vl::image::readPnm, data, size);
}
