// Reads one raster file through the input dispatch, exactly as the program opens it (the
// reader, then the load's completion), and exits: 0 when it read, 1 otherwise. bench/decode
// times it, process against process, beside the libraries' own decode tools on the same file.
// With --reps N it reads the file N times in this process and prints each read's milliseconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/input_dispatch.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: decode_image FILE [--reps N]\n", stderr);
    return 2;
  }
  const int reps = argc >= 4 && std::string(argv[2]) == "--reps" ? std::atoi(argv[3]) : 1;
  vl::platform::HeadlessUi ui(nullptr);
  vl::platform::MemoryBudget memory;
  vl::base::ConversionState state;
  vl::base::ApplicationState app;
  std::string scratch = vl::platform::ProcessScratchFolder(vl::platform::DefaultScratchBase());
  vl::base::Runtime rt{ui, memory, state, app, scratch};
  vl::image::RasterImage image;
  bool read = true;
  for (int i = 0; i < reps && read; ++i) {
    const auto start = std::chrono::steady_clock::now();
    image.inputName = argv[1];
    vl::image::chooseFormatByName(image, image.inputName);
    read = vl::image::openInputImage(image, rt, false).read();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (reps > 1) std::printf("%.2f\n", took.count());
    vl::image::releaseImage(image, rt);
  }
  vl::platform::RemoveScratchFolder(scratch);
  return read ? 0 : 1;
}
