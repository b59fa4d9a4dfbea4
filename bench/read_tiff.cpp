// Decoding speed of the TIFF reader on one file, for the comparison with libtiff
// (bench/fax_speed.py): reads the file through the input dispatch, load completion included,
// REPETITIONS times and prints the median wall time of one read and the ink pixels read.
//   read_tiff FILE.tif REPETITIONS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/program.h"
#include "image/bit_row.h"
#include "image/input_dispatch.h"
#include "image/raster_image.h"
#include "platform/headless_ui.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: read_tiff FILE.tif REPETITIONS\n");
    return 2;
  }
  const int repetitions = std::max(1, std::atoi(argv[2]));
  vl::app::Program program(std::make_unique<vl::platform::HeadlessUi>());
  vl::base::Runtime rt = program.runtime();
  vl::image::RasterImage& image = program.image;
  std::vector<double> seconds;
  long ink = 0;
  for (int i = 0; i < repetitions; ++i) {
    image.inputName = argv[1];
    vl::image::chooseFormatByName(image, image.inputName);
    const auto start = std::chrono::steady_clock::now();
    const vl::image::ReadOutcome outcome = vl::image::openInputImage(image, rt, false);
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!outcome.read()) return std::fprintf(stderr, "%s: not read\n", argv[1]), 1;
    ink = 0;
    for (std::int32_t y = 0; y < image.height; ++y) {
      const std::uint8_t* row = vl::image::BitRow(image, y);
      for (std::int32_t x = 0; x < image.width; ++x) ink += vl::image::BitAt(row, x);
    }
    vl::image::releaseImage(image, rt);
  }
  std::nth_element(seconds.begin(), seconds.begin() + long(seconds.size() / 2), seconds.end());
  std::printf("%.6f %ld\n", seconds[seconds.size() / 2], ink);
  return 0;
}
