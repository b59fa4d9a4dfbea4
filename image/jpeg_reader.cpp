// The JPEG reader. libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back to the Guarded call that made the library call, whose frames hold nothing to
// destroy. A file that ends early is not taken for complete (libjpeg would fill the missing
// rows with gray and only warn): the source manager notes it and the read fails.
#include "image/jpeg_reader.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <memory>

#include "base/message_table.h"
#include "image/raster_fill.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 64 * 1024;
// libjpeg's own working memory (whole-image coefficients of progressive files) is capped.
constexpr std::size_t kMaxLibraryBytes = std::size_t{1} << 30;
constexpr std::uint8_t kFakeEndOfImage[2] = {0xFF, JPEG_EOI};
constexpr double kCentimetresPerInch = 2.54;
constexpr int kMaxStripRows = 16;  // libjpeg's rows per call are at most its MCU height

struct Session {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  jpeg_source_mgr source{};
  std::jmp_buf jump{};
  platform::FileHandle file = platform::kNoFile;
  bool ranOut = false;  // the file ended before the image did
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
};

Session& SessionOf(j_common_ptr info) { return *static_cast<Session*>(info->client_data); }

void ErrorExit(j_common_ptr info) { std::longjmp(SessionOf(info).jump, 1); }
void OutputMessage(j_common_ptr) {}  // warnings are not printed; the outcome says it all

void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr info) {
  Session& s = SessionOf(reinterpret_cast<j_common_ptr>(info));
  std::size_t got = platform::ReadBytes(s.file, s.buffer.data(), s.buffer.size());
  if (got == 0) {
    // End the stream where it stops, so libjpeg finishes without reading on.
    s.ranOut = true;
    std::copy(std::begin(kFakeEndOfImage), std::end(kFakeEndOfImage), s.buffer.begin());
    got = sizeof kFakeEndOfImage;
  }
  s.source.next_input_byte = s.buffer.data();
  s.source.bytes_in_buffer = got;
  return TRUE;
}
void SkipInput(j_decompress_ptr info, long count) {
  jpeg_source_mgr& src = *info->src;
  while (count > 0) {
    if (src.bytes_in_buffer == 0) FillInput(info);
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(count), src.bytes_in_buffer);
    src.next_input_byte += take;
    src.bytes_in_buffer -= take;
    count -= static_cast<long>(take);
  }
}
void TermSource(j_decompress_ptr) {}

// Runs one library call; false when libjpeg gave up on the file. The calls made inside hold
// only trivially destructible state, so the jump back skips no destructor.
template <class Call>
bool Guarded(Session& s, Call&& call) {
  if (setjmp(s.jump) != 0) return false;
  call();
  return true;
}

struct SessionEnd {
  void operator()(Session* s) const {
    jpeg_destroy_decompress(&s->info);
    delete s;
  }
};

// What the file's colour space becomes.
bool ChooseOutput(jpeg_decompress_struct& info, RasterShape& shape) {
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      info.out_color_space = JCS_GRAYSCALE;
      shape.kind = PixelKind::kGray;
      shape.photometric = kBlackIsZero;
      return true;
    case JCS_YCbCr:
    case JCS_RGB:
      info.out_color_space = JCS_RGB;
      shape.kind = PixelKind::kRgb;
      shape.photometric = kPhotometricRgb;
      return true;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      shape.kind = PixelKind::kCmyk;
      shape.photometric = kPhotometricSeparated;
      return true;
    default: return false;
  }
}

void TakeDensity(const jpeg_decompress_struct& info, RasterImage& image) {
  double perInch = 0;
  if (info.density_unit == 1) perInch = 1;
  else if (info.density_unit == 2) perInch = kCentimetresPerInch;
  else return;  // only an aspect ratio
  TakeFileResolution(info.X_density * perInch, image.xResolution);
  TakeFileResolution(info.Y_density * perInch, image.yResolution);
}

}  // namespace

bool LooksLikeJpeg(const std::uint8_t* head, std::size_t size) {
  return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

ReadOutcome readJpeg(RasterImage& image, base::Runtime& rt) {
  image.sourceFormat = kSourceJpeg;
  std::unique_ptr<Session, SessionEnd> owner(new Session);
  Session& s = *owner;
  s.file = image.fileHandle;
  s.info.err = jpeg_std_error(&s.errors);
  s.errors.error_exit = ErrorExit;
  s.errors.output_message = OutputMessage;
  s.info.client_data = &s;
  if (!platform::SeekTo(s.file, 0)) return FailRead(rt, msg::kJpegDamaged);
  if (!Guarded(s, [&] { jpeg_create_decompress(&s.info); })) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  s.info.client_data = &s;
  s.source.init_source = InitSource;
  s.source.fill_input_buffer = FillInput;
  s.source.skip_input_data = SkipInput;
  s.source.resync_to_restart = jpeg_resync_to_restart;
  s.source.term_source = TermSource;
  s.info.src = &s.source;
  s.info.mem->max_memory_to_use =
      static_cast<long>(std::min(rt.memory.available(), kMaxLibraryBytes));

  if (!Guarded(s, [&] { jpeg_read_header(&s.info, TRUE); }) || s.ranOut) {
    return FailRead(rt, msg::kJpegDamaged);
  }
  RasterShape shape;
  shape.width = s.info.image_width;
  shape.height = s.info.image_height;
  shape.sourceBits = 8;
  if (!ChooseOutput(s.info, shape)) return RefuseRead(rt, msg::kJpegUnsupported);
  TakeDensity(s.info, image);  // before the layers: a downsampled image halves it
  if (const ReadOutcome begun = BeginRaster(image, rt, shape, msg::kJpegDamaged); !begun.read())
    return begun;
  if (!Guarded(s, [&] { jpeg_start_decompress(&s.info); })) return FailRead(rt, msg::kJpegDamaged);

  // Rows are decoded a strip at a time, straight into the colour layer unless it is downsampled
  // (then through a strip buffer and storeColorRow): this saves a copy of every row.
  const int samples = image.samplesPerPixel;
  const auto width = static_cast<std::int32_t>(s.info.output_width);
  const auto height = static_cast<std::int32_t>(shape.height);
  const std::size_t rowBytes = std::size_t(width) * samples;
  const int strip = std::clamp(s.info.rec_outbuf_height, 1, kMaxStripRows);
  platform::Block buffer;
  if (image.downsample && !buffer.allocate(rt.memory, rowBytes * strip)) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  // Adobe's CMYK files store the inks complemented (255 = no ink).
  const bool complement = shape.kind == PixelKind::kCmyk && s.info.saw_Adobe_marker;
  ReaderProgress progress(rt, height);
  for (std::int32_t y = 0; y < height;) {
    if (!progress.beforeStep(y)) return kReadStopped;
    const int count = std::min(strip, height - y);
    std::array<JSAMPROW, kMaxStripRows> rows{};
    for (int i = 0; i < count; ++i) {
      rows[i] = image.downsample ? buffer.data() + rowBytes * i
                                 : image.colorLayer.data() + rowBytes * std::size_t(y + i);
    }
    for (int done = 0; done < count;) {
      JDIMENSION got = 0;
      if (!Guarded(s, [&] { got = jpeg_read_scanlines(&s.info, rows.data() + done, JDIMENSION(count - done)); }) ||
          got == 0 || s.ranOut) {
        return FailRead(rt, msg::kJpegDamaged);
      }
      done += static_cast<int>(got);
    }
    for (int i = 0; i < count; ++i) {
      if (complement) {
        for (std::size_t b = 0; b < rowBytes; ++b) rows[i][b] = static_cast<std::uint8_t>(~rows[i][b]);
      }
      if (image.downsample) storeColorRow(image, y + i, {rows[i], rowBytes});
    }
    y += count;
  }
  return kReadDone;
}

}  // namespace vl::image
