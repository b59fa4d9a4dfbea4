// What the fuzz targets of the PNG, JPEG, netpbm and BMP readers share: the input written to a
// file (the readers read an open file), one reader run on it with memory capped, the common
// completion after a successful read, and the image released either way, so that leaks and
// stray accesses on every path show under the sanitizers. The first input byte's high bit asks
// for 2:1 downsampling; the rest is the file.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/message_table.h"
#include "image/raster_image.h"
#include "platform/file_io.h"
#include "platform/headless_ui.h"
#include "platform/scratch_folder.h"

namespace vl::fuzz {

constexpr std::size_t kMemoryCapBytes = 64u << 20;

// One folder per fuzzing process for the input file and the readers' scratch files.
inline const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = platform::DefaultScratchBase() + "/vl-raster-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp") + "/";
  }();
  return folder;
}

using RasterReader = image::ReadOutcome (*)(image::RasterImage&, base::Runtime&);

inline int RunRasterReader(RasterReader reader, const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string path = WorkFolder() + "input";
  platform::FileHandle out = platform::CreateFile(path);
  if (out == platform::kNoFile) return 0;
  platform::WriteBytes(out, data + 1, size - 1);
  platform::CloseFile(out);

  platform::HeadlessUi ui(nullptr);
  platform::MemoryBudget memory;
  memory.setLimit(kMemoryCapBytes);
  base::ConversionState state;
  base::ApplicationState app;
  std::string scratch = WorkFolder() + "scratch/";
  base::Runtime rt{ui, memory, state, app, scratch};

  image::RasterImage image;
  image.xResolution = image.yResolution = 300.0;
  image.downsample = (data[0] & 0x80) != 0;
  image.fileHandle = platform::OpenFileForReading(path);
  const image::ReadOutcome outcome = reader(image, rt);
  // A failure names the message it showed; nobody asked the read to stop.
  if (outcome.result == image::ReadResult::kStopped ||
      (!outcome.read() && (outcome.message == 0 || ui.messages().empty() ||
                           ui.messages().back() != msg::Text(outcome.message)))) {
    std::abort();
  }
  if (outcome.read()) static_cast<void>(image::CompleteLoad(image, rt));
  image::releaseImage(image, rt);
  return 0;
}

}  // namespace vl::fuzz
