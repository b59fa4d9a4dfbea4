// libFuzzer target for the RVX, Sun raster, bitmap file, MacPaint and PCX readers. The first
// input byte picks the reader (0 RVX, 1 Sun raster, 2 bitmap file, 3 MacPaint, 4 PCX); the rest
// is the file, written to a temporary file because the readers read an open file. A successful
// read goes through the common completion, and the image is released either way, so leaks and
// stray accesses in every path show under the sanitizers. Memory is capped so that a header
// declaring a huge image exercises the readers' own shortage paths rather than the machine's.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/message_table.h"
#include "image/macpaint_reader.h"
#include "image/pcx_reader.h"
#include "image/rvx_reader.h"
#include "image/sun_raster_reader.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace {

constexpr std::size_t kMemoryCapBytes = 64u << 20;

// One folder per fuzzing process for the input file and the readers' scratch files.
const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = vl::platform::DefaultScratchBase() + "/vl-readers-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp") + "/";
  }();
  return folder;
}

vl::image::ReadOutcome RunReader(unsigned selector, vl::image::RasterImage& image,
                                 vl::base::Runtime& rt) {
  switch (selector) {
    case 0: return vl::image::readRvx(image, rt);
    case 1: return vl::image::readSunRaster(image, rt);
    case 2: return vl::image::readBitmapFile(image, rt);
    case 3: return vl::image::readMacPaint(image, rt);
    default: return vl::image::readPcx(image, rt);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string path = WorkFolder() + "input";
  vl::platform::FileHandle out = vl::platform::CreateFile(path);
  if (out == vl::platform::kNoFile) return 0;
  vl::platform::WriteBytes(out, data + 1, size - 1);
  vl::platform::CloseFile(out);

  vl::platform::HeadlessUi ui(nullptr);
  vl::platform::MemoryBudget memory;
  memory.setLimit(kMemoryCapBytes);
  vl::base::ConversionState state;
  vl::base::ApplicationState app;
  std::string scratch = WorkFolder() + "scratch/";
  vl::base::Runtime rt{ui, memory, state, app, scratch};

  vl::image::RasterImage image;
  image.xResolution = image.yResolution = 300.0;
  image.downsample = (data[0] & 0x80) != 0;  // the high bit asks for 2:1 downsampling
  image.fileHandle = vl::platform::OpenFileForReading(path);
  const vl::image::ReadOutcome outcome = RunReader(data[0] % 5, image, rt);
  // A failure names the message it showed; nobody asked these reads to stop.
  if (outcome.result == vl::image::ReadResult::kStopped ||
      (!outcome.read() && (outcome.message == 0 || ui.messages().empty() ||
                           ui.messages().back() != vl::msg::Text(outcome.message)))) {
    std::abort();
  }
  if (outcome.read()) static_cast<void>(vl::image::CompleteLoad(image, rt));
  vl::image::releaseImage(image, rt);
  return 0;
}
