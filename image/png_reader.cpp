// The PNG reader. libspng decodes and checks the file (CRCs, chunk order, the zlib stream); it
// delivers rows one at a time, so memory stays at one row beyond the layers, except for
// interlaced files, whose passes need the whole decoded picture before a row is complete.
#include "image/png_reader.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "base/message_table.h"
#include "image/raster_fill.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 64 * 1024;
// Ancillary chunks are skipped, but libspng keeps some (text, ICC) in memory: bound them.
constexpr std::size_t kChunkLimitBytes = 16u << 20;

enum ColorType : std::uint8_t {
  kGray = 0, kRgb = 2, kIndexed = 3, kGrayAlpha = 4, kRgbAlpha = 6
};

// libspng pulls the file through this: buffered reads of the open input file.
struct FileStream {
  platform::FileHandle file;
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  std::size_t held = 0, next = 0;

  static int read(spng_ctx*, void* user, void* dest, std::size_t length) {
    auto& s = *static_cast<FileStream*>(user);
    auto* out = static_cast<std::uint8_t*>(dest);
    while (length > 0) {
      if (s.next == s.held) {
        s.held = platform::ReadBytes(s.file, s.buffer.data(), s.buffer.size());
        s.next = 0;
        if (s.held == 0) return SPNG_IO_EOF;
      }
      const std::size_t take = std::min(length, s.held - s.next);
      std::memcpy(out, s.buffer.data() + s.next, take);
      s.next += take;
      out += take;
      length -= take;
    }
    return 0;
  }
};

struct ContextFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

// How the decoded rows become the image's rows.
enum class Route {
  kPackedBits,   // 1-bit indices or gray as stored; bits copied (polarity by photometric)
  kGray8,        // libspng's 8-bit gray
  kRgb8,         // libspng's 8-bit RGB
  kRgba8,        // libspng's 8-bit RGBA (transparency applied), composited over white
  kRgba16,       // libspng's 16-bit RGBA, composited and rounded to 8 bits
  kIndices,      // indices as stored (1 to 8 bits), through the composited palette
};

struct Plan {
  RasterShape shape;
  Route route = Route::kRgb8;
  int format = SPNG_FMT_RGB8;      // what libspng is asked to deliver
  int decodedSamples = 3;          // per pixel in the decoded row (kIndices: 1 per pixel)
  bool wide = false;               // 16-bit decoded samples
  bool blankRows = false;          // kPackedBits: leave the rows blank (two equal entries)
  std::array<std::array<std::uint8_t, 3>, 256> palette{};  // composited over white
};

bool IsBlackOrWhite(const std::array<std::uint8_t, 3>& c) {
  return (c[0] == 0 && c[1] == 0 && c[2] == 0) || (c[0] == 255 && c[1] == 255 && c[2] == 255);
}

// The palette over white, padded with opaque black (what an index past its end reads as);
// whether it is all gray and, for 1-bit files, all black and white.
void PlanPalette(spng_ctx* ctx, const spng_ihdr& ihdr, Plan& plan) {
  spng_plte plte{};
  spng_trns trns{};
  if (spng_get_plte(ctx, &plte) != 0) plte.n_entries = 0;
  const bool hasTrns = spng_get_trns(ctx, &trns) == 0;
  bool allGray = true, blackWhite = true;
  const std::uint32_t entries = 1u << ihdr.bit_depth;
  for (std::uint32_t i = 0; i < entries; ++i) {
    std::array<std::uint8_t, 3> c{0, 0, 0};
    if (i < plte.n_entries) {
      const std::uint32_t alpha = hasTrns && i < trns.n_type3_entries ? trns.type3_alpha[i] : 255;
      c = {OverWhite8(plte.entries[i].red, alpha), OverWhite8(plte.entries[i].green, alpha),
           OverWhite8(plte.entries[i].blue, alpha)};
    }
    plan.palette[i] = c;
    allGray = allGray && c[0] == c[1] && c[1] == c[2];
    blackWhite = blackWhite && IsBlackOrWhite(c);
  }
  plan.route = Route::kIndices;
  plan.format = SPNG_FMT_PNG;
  plan.decodedSamples = 1;
  plan.shape.sourceBits = 8;
  plan.shape.photometric = kPhotometricPalette;
  plan.shape.kind = allGray ? PixelKind::kGray : PixelKind::kRgb;
  if (allGray) plan.shape.photometric = kBlackIsZero;
  if (ihdr.bit_depth == 1 && blackWhite) {
    // The bits are copied as stored; index 0 black means they are complemented at completion.
    // Two equal entries leave the row blank, which completion then keeps or complements.
    plan.shape.kind = PixelKind::kBilevel;
    plan.route = Route::kPackedBits;
    plan.blankRows = plan.palette[0] == plan.palette[1];
    plan.shape.photometric = plan.palette[0][0] == 0 ? kBlackIsZero : kWhiteIsZero;
  }
}

Plan MakePlan(spng_ctx* ctx, const spng_ihdr& ihdr) {
  Plan plan;
  plan.shape.width = ihdr.width;
  plan.shape.height = ihdr.height;
  spng_trns trns{};
  const bool hasTrns = ihdr.color_type != kIndexed && spng_get_trns(ctx, &trns) == 0;
  const bool gray = ihdr.color_type == kGray || ihdr.color_type == kGrayAlpha;
  const bool alpha = hasTrns || ihdr.color_type == kGrayAlpha || ihdr.color_type == kRgbAlpha;
  if (ihdr.color_type == kIndexed) {
    PlanPalette(ctx, ihdr, plan);
    return plan;
  }
  plan.shape.kind = gray ? PixelKind::kGray : PixelKind::kRgb;
  plan.shape.sourceBits = ihdr.bit_depth;
  plan.shape.photometric = gray ? kBlackIsZero : kPhotometricRgb;
  if (ihdr.bit_depth == 1 && ihdr.color_type == kGray) {
    plan.shape.kind = PixelKind::kBilevel;  // composited rows are packed as ink
    plan.shape.photometric = kWhiteIsZero;
  }
  if (ihdr.bit_depth == 16) {
    plan.route = Route::kRgba16;
    plan.format = SPNG_FMT_RGBA16;
    plan.decodedSamples = 4;
    plan.wide = true;
  } else if (alpha) {
    plan.route = Route::kRgba8;
    plan.format = SPNG_FMT_RGBA8;
    plan.decodedSamples = 4;
  } else if (plan.shape.kind == PixelKind::kBilevel) {
    plan.route = Route::kPackedBits;  // 0 = black as stored: complemented at completion
    plan.shape.photometric = kBlackIsZero;
    plan.format = SPNG_FMT_PNG;
    plan.decodedSamples = 1;
  } else if (gray) {
    plan.route = Route::kGray8;
    plan.format = SPNG_FMT_G8;
    plan.decodedSamples = 1;
  }
  return plan;
}

// Bytes of one decoded row.
std::size_t DecodedRowBytes(const Plan& plan, const spng_ihdr& ihdr) {
  const std::size_t w = ihdr.width;
  if (plan.format == SPNG_FMT_PNG) return (w * ihdr.bit_depth + 7) / 8;
  return w * plan.decodedSamples * (plan.wide ? 2 : 1);
}

// One decoded row into image row y; `work` holds a row of the image's own samples.
void DeliverRow(RasterImage& image, const Plan& plan, int bitDepth, std::int32_t width,
                std::int32_t y, std::uint8_t* decoded, std::uint8_t* work) {
  const bool bilevel = plan.shape.kind == PixelKind::kBilevel;
  const bool gray = plan.shape.kind == PixelKind::kGray;
  std::uint8_t* out = work;
  switch (plan.route) {
    case Route::kPackedBits:
      if (!plan.blankRows) std::memcpy(BitRow(image, y), decoded, (std::size_t(width) + 7) / 8);
      return;
    case Route::kGray8:
    case Route::kRgb8: out = decoded; break;
    case Route::kRgba8: CompositeRow8(decoded, 4, width, work); break;
    case Route::kRgba16:
      CompositeRow16(reinterpret_cast<const std::uint16_t*>(decoded), 4, width, work);
      break;
    case Route::kIndices: {
      const int perByte = 8 / bitDepth;
      const unsigned mask = (1u << bitDepth) - 1;
      for (std::int32_t x = 0; x < width; ++x) {
        const int shift = 8 - bitDepth * (x % perByte + 1);
        const auto& c = plan.palette[(decoded[x / perByte] >> shift) & mask];
        std::memcpy(work + 3 * x, c.data(), 3);
      }
      break;
    }
  }
  // RGB rows of a gray or bilevel image: keep one sample of each pixel.
  if ((gray || bilevel) && plan.route != Route::kGray8) {
    for (std::int32_t x = 0; x < width; ++x) work[x] = out[3 * x];
    out = work;
  }
  if (bilevel) {
    PackInkRow(out, width, BitRow(image, y));
    return;
  }
  storeColorRow(image, y, {out, std::size_t(width) * image.samplesPerPixel});
}

// The pixel density, when given per metre.
void TakeDensity(spng_ctx* ctx, RasterImage& image) {
  spng_phys phys{};
  if (spng_get_phys(ctx, &phys) != 0 || phys.unit_specifier != 1) return;
  TakeFileResolution(phys.ppu_x / kInchesPerMetre, image.xResolution);
  TakeFileResolution(phys.ppu_y / kInchesPerMetre, image.yResolution);
}

}  // namespace

ReadOutcome readPng(RasterImage& image, base::Runtime& rt) {
  image.sourceFormat = kSourcePng;
  Context ctx(spng_ctx_new(0));
  auto stream = std::make_unique<FileStream>();
  stream->file = image.fileHandle;
  if (!ctx) return FailRead(rt, msg::kInsufficientMemory);
  if (!platform::SeekTo(image.fileHandle, 0)) return FailRead(rt, msg::kPngDamaged);
  spng_set_chunk_limits(ctx.get(), kChunkLimitBytes, kChunkLimitBytes);
  spng_set_png_stream(ctx.get(), &FileStream::read, stream.get());

  spng_ihdr ihdr{};
  if (spng_get_ihdr(ctx.get(), &ihdr) != 0) return FailRead(rt, msg::kPngDamaged);
  const Plan plan = MakePlan(ctx.get(), ihdr);
  // The chunks before the image data are read by now, pHYs among them. Before the layers: a
  // downsampled image halves the resolution.
  TakeDensity(ctx.get(), image);
  if (const ReadOutcome begun = BeginRaster(image, rt, plan.shape, msg::kPngDamaged);
      !begun.read()) {
    return begun;
  }

  const int flags = SPNG_DECODE_PROGRESSIVE | (plan.route == Route::kRgba8 ||
                                               plan.route == Route::kRgba16 ? SPNG_DECODE_TRNS : 0);
  if (spng_decode_image(ctx.get(), nullptr, 0, plan.format, flags) != 0) {
    return FailRead(rt, msg::kPngDamaged);
  }
  const auto width = static_cast<std::int32_t>(ihdr.width);
  const auto height = static_cast<std::int32_t>(ihdr.height);
  const std::size_t rowBytes = DecodedRowBytes(plan, ihdr);
  const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
  // Interlaced: the whole decoded picture, as each pass adds pixels to rows already begun.
  platform::Block decoded, work;
  if (!decoded.allocate(rt.memory, rowBytes * (interlaced ? std::size_t(height) : 1)) ||
      !work.allocate(rt.memory, std::size_t(width) * 3 + 8)) {
    return FailRead(rt, msg::kInsufficientMemory);
  }

  // Interlaced files decode up to seven passes before any row is delivered.
  const int passes = interlaced ? 7 : 1;
  ReaderProgress progress(rt, std::int64_t{height} * (passes + (interlaced ? 1 : 0)));
  for (int status = 0; status != SPNG_EOI;) {
    spng_row_info info{};
    status = spng_get_row_info(ctx.get(), &info);
    if (status == SPNG_EOI) break;
    if (status != 0) return FailRead(rt, msg::kPngDamaged);
    if (!progress.beforeStep(std::int64_t{info.pass} * height + info.row_num)) return kReadStopped;
    std::uint8_t* row = decoded.data() + (interlaced ? rowBytes * info.row_num : 0);
    // SPNG_EOI: this was the last row.
    status = spng_decode_row(ctx.get(), row, rowBytes);
    if (status != 0 && status != SPNG_EOI) return FailRead(rt, msg::kPngDamaged);
    if (!interlaced) DeliverRow(image, plan, ihdr.bit_depth, width, info.row_num, row, work.data());
  }
  for (std::int32_t y = 0; interlaced && y < height; ++y) {
    if (!progress.beforeStep(std::int64_t{passes} * height + y)) return kReadStopped;
    DeliverRow(image, plan, ihdr.bit_depth, width, y, decoded.data() + rowBytes * y, work.data());
  }
  return kReadDone;
}

}  // namespace vl::image
