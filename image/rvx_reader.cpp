// The RVX reader: header and tables validated against the file's size before anything is
// allocated, then each plane row by row, raw or PackBits, into the bit or colour layer.
#include "image/rvx_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/message_table.h"
#include "platform/byte_order.h"
#include "image/byte_input.h"
#include "image/packbits.h"
#include "image/reader_progress.h"
#include "image/rvx_format.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 4096;

struct RvxHeader {
  std::uint16_t channels = 0;
  std::uint32_t rows = 0;
  std::uint32_t columns = 0;
  std::uint16_t depth = 0;  // bits per sample: 1, 8 or 16
  std::uint16_t mode = 0;
  std::uint16_t compression = 0;
  double xResolution = rvx::kDefaultResolution;
  double yResolution = rvx::kDefaultResolution;
};

// Why a read stopped early: the message to show, or none after the user's stop.
enum class Failure { kNone, kInvalid, kMode, kMemory, kStopped };

// Planes of the file that make up the image; any further channels (alpha and the like) are
// left unread, since the image has no place for them.
int planesUsed(std::uint16_t mode) {
  switch (mode) {
    case rvx::kModeRgb: return 3;
    case rvx::kModeCmyk: return 4;
    default: return 1;
  }
}

std::int16_t samplesFor(std::uint16_t mode) {
  switch (mode) {
    case rvx::kModeBitmap:
    case rvx::kModeGray: return 1;
    case rvx::kModeCmyk: return 4;
    default: return 3;  // indexed and RGB
  }
}

// Shows the failure's message; kNone is no failure.
ReadOutcome outcomeOf(base::Runtime& rt, Failure failure) {
  switch (failure) {
    case Failure::kNone: return kReadDone;
    case Failure::kInvalid: return FailRead(rt, msg::kInvalidRvxFormat);
    case Failure::kMode: return RefuseRead(rt, msg::kRvxModeNotSupported);
    case Failure::kMemory: return FailRead(rt, msg::kInsufficientMemory);
    case Failure::kStopped: break;
  }
  return kReadStopped;
}

// Resource blocks: signature, id, name (length byte, then (length OR 1) bytes so that the two
// take an even count), data length rounded up to even, data. Only the resolution is kept.
Failure readResources(ByteInput& in, std::uint32_t sectionBytes, RvxHeader& h) {
  std::uint64_t left = sectionBytes;
  while (left > 0) {
    std::array<std::uint8_t, 4> signature{};
    std::uint16_t id = 0;
    std::uint8_t nameLength = 0;
    std::uint32_t dataLength = 0;
    if (left < rvx::kResourceBlockFixedBytes + 1 || !in.read(signature) || !in.be16(id) ||
        !in.next(nameLength)) {
      return Failure::kInvalid;
    }
    const std::uint64_t nameBytes = nameLength | 1u;
    if (!in.skip(nameBytes) || !in.be32(dataLength)) return Failure::kInvalid;
    const std::uint64_t paddedData = (std::uint64_t{dataLength} + 1) & ~std::uint64_t{1};
    const std::uint64_t blockBytes = rvx::kResourceBlockFixedBytes + nameBytes + paddedData;
    if (blockBytes > left) return Failure::kInvalid;
    left -= blockBytes;

    const bool resolution = std::memcmp(signature.data(), rvx::kResourceSignature, 4) == 0 &&
                            id == rvx::kResolutionResourceId &&
                            dataLength == rvx::kResolutionDataBytes;
    if (!resolution) {
      if (!in.skip(paddedData)) return Failure::kInvalid;
      continue;
    }
    std::uint32_t horizontal = 0, vertical = 0, unused = 0;
    if (!in.be32(horizontal) || !in.be32(unused) || !in.be32(vertical) || !in.be32(unused)) {
      return Failure::kInvalid;
    }
    // A zero resolution would divide by zero wherever the page size is computed.
    if (horizontal != 0) h.xResolution = horizontal / rvx::kFixedOne;
    if (vertical != 0) h.yResolution = vertical / rvx::kFixedOne;
  }
  return Failure::kNone;
}

Failure readHeader(ByteInput& in, RvxHeader& h,
                   std::array<std::uint8_t, rvx::kColorTableBytes>& table) {
  std::array<std::uint8_t, 4> signature{};
  std::uint16_t version = 0;
  if (!in.read(signature) || std::memcmp(signature.data(), rvx::kSignature, 4) != 0 ||
      !in.be16(version) || version != rvx::kVersion || !in.skip(rvx::kReservedBytes) ||
      !in.be16(h.channels) || !in.be32(h.rows) || !in.be32(h.columns) || !in.be16(h.depth) ||
      !in.be16(h.mode)) {
    return Failure::kInvalid;
  }
  if (h.mode > rvx::kModeCmyk) return Failure::kMode;

  // Sizes the raster image can hold, and depths that fit the mode.
  if (h.rows < 1 || h.rows > kMaxSidePixels || h.columns < 1 || h.columns > kMaxSidePixels ||
      h.channels < planesUsed(h.mode)) {
    return Failure::kInvalid;
  }
  const bool depthFits =
      h.mode == rvx::kModeBitmap ? h.depth == 1 : (h.depth == 8 || h.depth == 16);
  if (!depthFits) return Failure::kInvalid;

  std::uint32_t colorDataBytes = 0;
  if (!in.be32(colorDataBytes)) return Failure::kInvalid;
  const std::uint32_t expected = h.mode == rvx::kModeIndexed ? rvx::kColorTableBytes : 0;
  if (colorDataBytes != expected) return Failure::kInvalid;
  if (h.mode == rvx::kModeIndexed && !in.read(table)) return Failure::kInvalid;

  std::uint32_t resourceBytes = 0, layerBytes = 0;
  if (!in.be32(resourceBytes) || resourceBytes > in.remaining()) return Failure::kInvalid;
  if (Failure f = readResources(in, resourceBytes, h); f != Failure::kNone) return f;
  if (!in.be32(layerBytes) || !in.skip(layerBytes) || !in.be16(h.compression)) {
    return Failure::kInvalid;
  }
  if (h.compression != rvx::kCompressionRaw && h.compression != rvx::kCompressionPackBits) {
    return Failure::kInvalid;
  }
  return Failure::kNone;
}

// Stored row length in bytes.
std::int64_t storedRowBytes(const RvxHeader& h) {
  if (h.mode == rvx::kModeBitmap) return (std::int64_t{h.columns} + 7) / 8;
  return std::int64_t{h.columns} * (h.depth / 8);
}

class PlaneReader {
 public:
  PlaneReader(RasterImage& image, base::Runtime& rt, ByteInput& in, const RvxHeader& h,
              const std::array<std::uint8_t, rvx::kColorTableBytes>& table)
      : image_(image), rt_(rt), in_(in), h_(h), table_(table) {}

  // Row byte counts (PackBits only), checked against what the file holds; then the buffers.
  Failure prepare() {
    planes_ = planesUsed(h_.mode);
    rowBytes_ = storedRowBytes(h_);
    const std::int64_t rowsRead = std::int64_t{planes_} * h_.rows;
    if (h_.compression == rvx::kCompressionRaw) {
      if (rowsRead * rowBytes_ > in_.remaining()) return Failure::kInvalid;
    } else {
      const std::int64_t tableBytes = 2 * std::int64_t{h_.channels} * h_.rows;
      if (tableBytes > in_.remaining()) return Failure::kInvalid;
      if (!counts_.allocate(rt_.memory, static_cast<std::size_t>(rowsRead) * 2)) {
        return Failure::kMemory;
      }
      if (!in_.read({counts_.data(), counts_.size()})) return Failure::kInvalid;
      // The counts of the planes left unread are not needed.
      if (!in_.skip(static_cast<std::uint64_t>(tableBytes) - counts_.size())) {
        return Failure::kInvalid;
      }
      std::int64_t total = 0;
      for (std::int64_t i = 0; i < rowsRead; ++i) {
        const std::int64_t count = platform::LoadBe16(counts_.data() + 2 * i);
        largest_ = std::max(largest_, count);
        total += count;
      }
      if (total > in_.remaining()) return Failure::kInvalid;
      if (!packed_.allocate(rt_.memory,
                            static_cast<std::size_t>(std::max<std::int64_t>(largest_, 1)))) {
        return Failure::kMemory;
      }
    }
    if (!row_.allocate(rt_.memory, static_cast<std::size_t>(rowBytes_))) return Failure::kMemory;
    return Failure::kNone;
  }

  Failure readPlanes() {
    ReaderProgress progress(rt_, std::int64_t{planes_} * h_.rows);
    std::int64_t step = 0;
    for (int p = 0; p < planes_; ++p) {
      for (std::int32_t r = 0; r < static_cast<std::int32_t>(h_.rows); ++r, ++step) {
        if (!progress.beforeStep(step)) return Failure::kStopped;
        if (!readStoredRow(step)) return Failure::kInvalid;
        placeRow(p, r);
      }
    }
    return Failure::kNone;
  }

 private:
  bool readStoredRow(std::int64_t index) {
    const std::span<std::uint8_t> row(row_.data(), row_.size());
    if (h_.compression == rvx::kCompressionRaw) return in_.read(row);
    const std::size_t count = platform::LoadBe16(counts_.data() + 2 * index);
    const std::span<std::uint8_t> packed(packed_.data(), count);
    if (!in_.read(packed)) return false;
    return DecodePackBits(packed, row).ok();
  }

  void placeRow(int plane, std::int32_t r) {
    const std::uint8_t* src = row_.data();
    if (h_.mode == rvx::kModeBitmap) {
      std::memcpy(BitRow(image_, r), src, static_cast<std::size_t>(rowBytes_));
      return;
    }
    // 2:1 downsampling keeps the odd rows and, of them, samples 1, 3, 5, ...
    std::int32_t y = r;
    std::int32_t firstSample = 0, sampleStep = 1;
    if (image_.downsample) {
      if (r % 2 == 0) return;
      y = r / 2;
      firstSample = 1;
      sampleStep = 2;
    }
    if (y >= image_.height) return;
    const std::int32_t bytesPerSample = h_.depth / 8;  // of 16-bit samples the high byte is kept
    const std::int32_t spp = image_.samplesPerPixel;
    std::uint8_t* dst = image_.colorLayer.data() + std::int64_t{y} * image_.colorRowBytes;
    for (std::int32_t x = 0; x < image_.width; ++x) {
      const std::uint8_t v = src[(firstSample + x * sampleStep) * bytesPerSample];
      if (h_.mode == rvx::kModeIndexed) {
        dst[x * 3] = table_[v];
        dst[x * 3 + 1] = table_[256 + v];
        dst[x * 3 + 2] = table_[512 + v];
      } else if (h_.mode == rvx::kModeCmyk) {
        dst[x * spp + plane] = static_cast<std::uint8_t>(255 - v);  // stored as 255 = no ink
      } else {
        dst[x * spp + plane] = v;
      }
    }
  }

  RasterImage& image_;
  base::Runtime& rt_;
  ByteInput& in_;
  const RvxHeader& h_;
  const std::array<std::uint8_t, rvx::kColorTableBytes>& table_;
  int planes_ = 1;
  std::int64_t rowBytes_ = 0;
  std::int64_t largest_ = 0;
  platform::Block counts_;  // 16-bit row byte counts of the planes read
  platform::Block packed_;  // one stored PackBits row
  platform::Block row_;     // one unpacked row
};

}  // namespace

ReadOutcome readRvx(RasterImage& image, base::Runtime& rt) {
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  RvxHeader h;
  std::array<std::uint8_t, rvx::kColorTableBytes> table{};
  if (Failure f = readHeader(in, h, table); f != Failure::kNone) return outcomeOf(rt, f);

  PlaneReader planes(image, rt, in, h, table);
  if (Failure f = planes.prepare(); f != Failure::kNone) return outcomeOf(rt, f);

  image.samplesPerPixel = samplesFor(h.mode);
  image.bitsPerSample = h.mode == rvx::kModeBitmap ? 1 : 8;
  image.photometric = h.mode == rvx::kModeGray ? kBlackIsZero : kWhiteIsZero;
  image.xResolution = h.xResolution;
  image.yResolution = h.yResolution;
  setGeometry(image, static_cast<std::int32_t>(h.columns), static_cast<std::int32_t>(h.rows));
  if (!allocateBitLayer(image, rt.memory)) return outcomeOf(rt, Failure::kMemory);

  if (h.mode != rvx::kModeBitmap) {
    image.colorRowBytes = image.width * image.samplesPerPixel;
    image.fileRowBytes = image.colorRowBytes;
    // prepareColorLayer shows its memory message itself.
    if (!prepareColorLayer(image, rt)) return ReadFailed(msg::kInsufficientMemory);
    if (!image.colorInMemory) return outcomeOf(rt, Failure::kMemory);
    if (h.depth == 16) base::ShowMessage(rt, msg::kRvxSixteenBitNote);
  } else {
    image.fileRowBytes = static_cast<std::int32_t>(storedRowBytes(h));
  }
  return outcomeOf(rt, planes.readPlanes());
}

}  // namespace vl::image
