// libFuzzer target for the input dispatch and the TIFF reader: each input is a whole file,
// handed to readImage through an in-memory file descriptor. The memory budget is capped, as
// the free memory of a real machine is, so a file that asks for huge layers is refused rather
// than exhausting the fuzzer; the input's length picks 2:1 downsampling and a budget so small
// that colour rows stay in the file (exercising the paged span reader) or the backup goes to
// "memtemp". A successful read is walked with readColorSpan, then released.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/application_state.h"
#include "base/conversion_state.h"
#include "base/message_table.h"
#include "base/runtime.h"
#include "image/input_dispatch.h"
#include "image/raster_image.h"
#include "platform/headless_ui.h"
#include "platform/memory_block.h"
#include "platform/scratch_folder.h"

namespace {

constexpr std::size_t kBudgetBytes = 64u << 20;     // what the reader may allocate
constexpr std::size_t kShortBudgetBytes = 48u << 10; // small enough to page colour rows

std::string ScratchFolder() {
  // One folder for the whole fuzzing process, for "memtemp".
  static const std::string folder = [] {
    std::string f = vl::platform::ProcessScratchFolder(vl::platform::DefaultScratchBase());
    vl::platform::EnsureFolder(f);
    return f;
  }();
  return folder;
}

int MemoryFile(const std::uint8_t* data, std::size_t size) {
  const int fd = ::memfd_create("tiff-fuzz", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vl::platform::HeadlessUi ui(nullptr);
  vl::platform::MemoryBudget memory;
  memory.setLimit((size & 2) != 0 ? kShortBudgetBytes : kBudgetBytes);
  vl::base::ConversionState state;
  vl::base::ApplicationState app;
  std::string scratch = ScratchFolder();
  vl::base::Runtime rt{ui, memory, state, app, scratch};

  vl::image::RasterImage image;
  image.sourceFormat = vl::image::kSourceBySignature;
  image.downsample = (size & 1) != 0;
  image.fileHandle = MemoryFile(data, size);
  const vl::image::ReadOutcome outcome = vl::image::readImage(image, rt);
  // A failure names the message it showed last; nobody asked this read to stop.
  if (outcome.result == vl::image::ReadResult::kStopped ||
      (!outcome.read() && (outcome.message == 0 || ui.messages().empty() ||
                           ui.messages().back() != vl::msg::Text(outcome.message)))) {
    std::abort();
  }
  if (outcome.read()) {
    // Every reported row must be readable within the sizes the image states.
    if (!vl::image::IsBilevel(image)) {
      std::vector<std::uint8_t> row(static_cast<std::size_t>(image.colorRowBytes) +
                                    static_cast<std::size_t>(image.samplesPerPixel));
      for (std::int32_t y = 0; y < image.height; ++y) {
        vl::image::readColorSpan(image, 0, y, image.colorRowBytes, row.data());
      }
    }
    vl::image::releaseImage(image, rt);
  } else if (image.fileHandle != vl::platform::kNoFile || memory.used() != 0) {
    std::abort();  // a failed read must leave nothing behind
  }
  return 0;
}
