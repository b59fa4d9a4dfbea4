// The strip and tile loop of the TIFF reader and the per-compression row decoding.
#include "image/tiff_chunks.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "base/message_table.h"
#include "base/progress.h"
#include "image/ccitt_fax.h"
#include "image/ccitt_huffman.h"
#include "image/deflate_decoder.h"
#include "image/lzw_decoder.h"
#include "image/packbits.h"
#include "image/predictor.h"
#include "image/tiff_chunk_window.h"
#include "image/tiff_samples.h"

namespace vl::image {

namespace {

// Compressed bytes are read 64 KB at a time (or the whole chunk, when smaller).
constexpr std::size_t kWindowBytes = 64 * 1024;

TiffStatus MessageFor(DecodeStatus status) {
  switch (status) {
    case DecodeStatus::kOk: return kTiffOk;
    case DecodeStatus::kBadCode: return msg::kTiffBadCode;
    case DecodeStatus::kBadRunLength: return msg::kTiffBadStrokeLength;
    case DecodeStatus::kTruncated:
    case DecodeStatus::kBadArgument: break;
  }
  return msg::kTiffIncompleteData;
}

// Reads `count` 16- or 32-bit numbers at array.position into out as 32-bit numbers.
TiffStatus LoadArray(const TiffFile& file, const TiffArray& array, std::int64_t count,
                     platform::MemoryBudget& budget, platform::Block& out) {
  const std::uint32_t size = array.valueBytes();
  const auto bytes = static_cast<std::uint64_t>(count) * size;
  if (!file.contains(array.position, bytes)) return msg::kTiffIncompleteData;
  if (!out.allocate(budget, static_cast<std::size_t>(count) * 4)) return msg::kInsufficientMemory;
  std::uint8_t* p = out.data();
  if (!file.read(array.position, p, static_cast<std::size_t>(bytes))) {
    return msg::kTiffIncompleteData;
  }
  // Widened in place from the back: value i moves from i x size to i x 4, never onto a value
  // still to be read.
  for (std::int64_t i = count - 1; i >= 0; --i) {
    const std::uint8_t* from = p + i * size;
    const std::uint32_t v = size == 2 ? file.load16(from) : file.load32(from);
    std::memcpy(p + i * 4, &v, 4);
  }
  return kTiffOk;
}

class ChunkDecoder {
 public:
  ChunkDecoder(RasterImage& image, base::Runtime& rt, const TiffFile& file,
               const TiffLayout& layout, const ChunkTable& table)
      : image_(image), rt_(rt), file_(file), layout_(layout), table_(table),
        window_(file, windowBuffer_, rt.memory), label_(msg::Text(msg::kReadingImageData)) {
    format_.bits = layout.bits;
    format_.storedSamples = layout.chunkSamples;
    format_.keptSamples = layout.planar ? 1 : layout.samples;
    format_.bigEndian = layout.bigEndian;
    format_.palette = layout.palette ? layout.paletteTable.data() : nullptr;
    // Full-width chunky rows that need no conversion are decoded straight into their layer,
    // saving two copies of every row (about a tenth of the CPU time of a 10000 x 10000 LZW
    // gray image).
    const bool asStored = layout.bits == 8 && layout.chunkSamples == layout.samples &&
                          !layout.palette && !image.downsample;
    direct_ = !layout.tiled && !layout.planar && (layout.bilevel || asStored);
    // LZW and Deflate decode a strip at once: its rows must lie back to back in the layer.
    directStrips_ = direct_ && (!layout.bilevel || layout.chunkRowBytes == image.bitRowBytes);
  }

  TiffStatus run();

 private:
  struct Chunk {
    int plane = 0;
    std::int64_t index = 0;     // in the plane, row of chunks by row of chunks
    std::int32_t top = 0;       // first image row
    std::int32_t left = 0;      // first image pixel
    std::int32_t rows = 0;      // rows inside the image
    std::int32_t columns = 0;   // pixels inside the image
  };

  TiffStatus allocateBuffers();
  TiffStatus decodeChunk(const Chunk& chunk);
  TiffStatus decodeRows(const Chunk& chunk);
  TiffStatus decodeStrip(const Chunk& chunk);
  TiffStatus beforeRow(const Chunk& chunk, std::int32_t r);
  void deliver(const Chunk& chunk, std::int32_t r, const std::uint8_t* stored);
  // Where row r of a full-width chunk lies in its layer (when direct_).
  std::uint8_t* LayerRow(const Chunk& chunk, std::int32_t r) {
    const std::int32_t y = chunk.top + r;
    return layout_.bilevel ? BitRow(image_, y)
                           : image_.colorLayer.data() + std::int64_t{y} * image_.colorRowBytes;
  }

  RasterImage& image_;
  base::Runtime& rt_;
  const TiffFile& file_;
  const TiffLayout& layout_;
  const ChunkTable& table_;
  platform::Block windowBuffer_;
  ChunkWindow window_;
  platform::Block rowBuffer_;      // one decoded chunk row (PackBits, CCITT)
  platform::Block convertBuffer_;  // one chunk row as 8-bit samples
  platform::Block stripBuffer_;    // one decoded LZW or Deflate chunk
  platform::Block lzwTableBlock_;
  LzwTable* lzwTable_ = nullptr;
  CcittFaxDecoder fax_;            // Group 3 and 4: keeps the row above from row to row
  SampleFormat format_;
  bool direct_ = false;        // rows decode into the layer as they stand
  bool directStrips_ = false;  // and so do whole LZW and Deflate strips
  std::string label_;
};

TiffStatus ChunkDecoder::allocateBuffers() {
  const auto rowBytes = static_cast<std::size_t>(layout_.chunkRowBytes);
  const bool rowCodec = layout_.compression == kCompressionPackBits ||
                        layout_.compression == kCompressionCcittRle || layout_.faxCodec();
  if (rowCodec && !direct_) {
    if (!rowBuffer_.allocate(rt_.memory, rowBytes)) return msg::kInsufficientMemory;
  }
  if (!layout_.bilevel && !direct_) {
    const std::size_t bytes = static_cast<std::size_t>(layout_.chunkWidth) * format_.outSamples();
    if (!convertBuffer_.allocate(rt_.memory, bytes)) return msg::kInsufficientMemory;
  }
  if (layout_.compression == kCompressionLzw) {
    if (!lzwTableBlock_.allocate(rt_.memory, sizeof(LzwTable))) return msg::kInsufficientMemory;
    lzwTable_ = new (lzwTableBlock_.data()) LzwTable;  // plain arrays: nothing to destroy
  }
  if (layout_.faxCodec()) {
    CcittFaxOptions options;
    options.group4 = layout_.compression == kCompressionCcittGroup4;
    options.twoDimensional = layout_.faxTwoDimensional;
    options.leastSignificantFirst = layout_.lowBitFirst;
    if (!fax_.start(layout_.chunkWidth, options)) return msg::kTiffUnimplementedEncoding;
  }
  return kTiffOk;
}

TiffStatus ChunkDecoder::run() {
  if (const TiffStatus s = allocateBuffers(); s != kTiffOk) return s;
  for (int plane = 0; plane < layout_.planes; ++plane) {
    for (std::int64_t c = 0; c < layout_.chunksPerPlane; ++c) {
      Chunk chunk;
      chunk.plane = plane;
      chunk.index = c;
      chunk.top = static_cast<std::int32_t>(c / layout_.across * layout_.chunkRows);
      chunk.left = static_cast<std::int32_t>(c % layout_.across * layout_.chunkWidth);
      chunk.rows = std::min(layout_.chunkRows, layout_.height - chunk.top);
      chunk.columns = std::min(layout_.chunkWidth, layout_.width - chunk.left);
      if (const TiffStatus s = decodeChunk(chunk); s != kTiffOk) return s;
    }
  }
  return kTiffOk;
}

TiffStatus ChunkDecoder::decodeChunk(const Chunk& chunk) {
  const std::int64_t i = layout_.chunkIndex(chunk.plane, chunk.index);
  const std::uint64_t offset = table_.offset(i);
  std::uint64_t length;
  if (!table_.byteCounts.empty()) {
    length = table_.byteCount(i);
    if (!file_.contains(offset, length)) return msg::kTiffIncompleteData;
  } else {
    // No byte counts: a chunk may run on as far as a whole image of rows, within the file.
    if (!file_.contains(offset, 0)) return msg::kTiffIncompleteData;
    length = std::min<std::uint64_t>(layout_.chunkBytesWithoutCounts, file_.dataBytes() - offset);
  }
  if (layout_.stripCodec()) {
    // A stated length is read whole; without one the strip is read as far as it turns out to
    // go (starting from its decoded size, which compressed data rarely exceeds), so that
    // strips do not each read the rest of the file.
    const std::size_t decoded = static_cast<std::size_t>(layout_.chunkRowBytes) * chunk.rows;
    const std::size_t capacity =
        table_.byteCounts.empty() ? std::min(kWindowBytes, decoded) : length;
    if (const TiffStatus s = window_.begin(offset, length, capacity); s != kTiffOk) return s;
    return decodeStrip(chunk);
  }
  if (layout_.faxCodec()) fax_.startStrip();
  const std::size_t capacity =
      std::max<std::size_t>(kWindowBytes, 2 * static_cast<std::size_t>(layout_.chunkRowBytes));
  if (const TiffStatus s = window_.begin(offset, length, capacity); s != kTiffOk) return s;
  return decodeRows(chunk);
}

TiffStatus ChunkDecoder::decodeRows(const Chunk& chunk) {
  const auto rowBytes = static_cast<std::size_t>(layout_.chunkRowBytes);
  const std::span<std::uint8_t> row(rowBuffer_.data(), rowBuffer_.empty() ? 0 : rowBytes);
  for (std::int32_t r = 0; r < chunk.rows; ++r) {
    if (const TiffStatus s = beforeRow(chunk, r); s != kTiffOk) return s;
    // Keep the window at least half full, so most rows decode on the first attempt.
    if (!window_.exhausted() && window_.data().size() < window_.capacity() / 2) {
      if (const TiffStatus s = window_.more(); s != kTiffOk) return s;
    }
    const std::span<std::uint8_t> target =
        direct_ ? std::span<std::uint8_t>(LayerRow(chunk, r), rowBytes) : row;
    for (;;) {
      const std::span<const std::uint8_t> in = window_.data();
      DecodeResult result;
      const std::uint8_t* stored = target.data();
      switch (layout_.compression) {
        case kCompressionPackBits: result = DecodePackBits(in, target); break;
        case kCompressionCcittRle: result = DecodeCcittRow(in, layout_.chunkWidth, target); break;
        case kCompressionCcittGroup3:
        case kCompressionCcittGroup4: result = fax_.decodeRow(in, target); break;
        default:  // uncompressed: the row is used where it lies in the window
          result = in.size() >= rowBytes ? DecodeResult{rowBytes, rowBytes, DecodeStatus::kOk}
                                         : DecodeResult{0, 0, DecodeStatus::kTruncated};
          stored = in.data();
          if (direct_ && result.ok()) std::memcpy(target.data(), stored, rowBytes);
          break;
      }
      if (result.status == DecodeStatus::kTruncated && !window_.exhausted()) {
        // The row reaches beyond the bytes read so far: read on (growing the window) and retry.
        if (const TiffStatus s = window_.more(); s != kTiffOk) return s;
        continue;
      }
      if (const TiffStatus s = MessageFor(result.status); s != kTiffOk) return s;
      if (!direct_) deliver(chunk, r, stored);
      window_.consume(result.consumed);
      break;
    }
  }
  return kTiffOk;
}

TiffStatus ChunkDecoder::decodeStrip(const Chunk& chunk) {
  // Only the rows inside the image are needed; the decoder stops when they are complete.
  const auto rowBytes = static_cast<std::size_t>(layout_.chunkRowBytes);
  const std::size_t bytes = rowBytes * static_cast<std::size_t>(chunk.rows);
  if (!directStrips_ && (stripBuffer_.empty() || stripBuffer_.size() < bytes)) {
    if (!stripBuffer_.allocate(rt_.memory, bytes)) return msg::kInsufficientMemory;
  }
  const std::span<std::uint8_t> out(directStrips_ ? LayerRow(chunk, 0) : stripBuffer_.data(),
                                    bytes);
  DecodeResult result;
  for (;;) {
    // The decoder cannot resume, so a strip longer than the window is decoded again from its
    // start once the (doubled) window holds more of it: at most twice the work in all.
    while (!window_.exhausted() && window_.data().size() < window_.capacity()) {
      if (const TiffStatus s = window_.more(); s != kTiffOk) return s;
    }
    result = layout_.compression == kCompressionLzw ? DecodeLzw(window_.data(), out, *lzwTable_)
                                                    : DecodeDeflate(window_.data(), out);
    if (result.status != DecodeStatus::kTruncated || window_.exhausted()) break;
    if (const TiffStatus s = window_.more(); s != kTiffOk) return s;
  }
  if (result.status == DecodeStatus::kBadCode) return msg::kTiffBadCode;
  if (result.status == DecodeStatus::kBadArgument) return msg::kInsufficientMemory;  // zlib's
  if (!result.ok() || result.produced < bytes) return msg::kTiffIncompleteData;
  if (layout_.predictor) {
    UndoHorizontalPredictorRows(out, rowBytes, layout_.chunkSamples, layout_.bits,
                                layout_.bigEndian);
  }
  for (std::int32_t r = 0; r < chunk.rows; ++r) {
    if (const TiffStatus s = beforeRow(chunk, r); s != kTiffOk) return s;
    if (!directStrips_) deliver(chunk, r, out.data() + rowBytes * static_cast<std::size_t>(r));
  }
  return kTiffOk;
}

TiffStatus ChunkDecoder::beforeRow(const Chunk& chunk, std::int32_t r) {
  // Rows done so far over all rows of all planes; for tiles counted chunk by chunk, so the
  // percentage only ever grows.
  std::int64_t done;
  std::int64_t total;
  if (layout_.tiled) {
    const std::int64_t chunks = std::int64_t{chunk.plane} * layout_.chunksPerPlane + chunk.index;
    done = chunks * layout_.chunkRows + r;
    total = layout_.planes * layout_.chunksPerPlane * layout_.chunkRows;
  } else {
    done = std::int64_t{chunk.plane} * layout_.height + chunk.top + r;
    total = std::int64_t{layout_.planes} * layout_.height;
  }
  base::ShowProgress(rt_, static_cast<int>(done * 100 / total), label_);
  return base::PollAbort(rt_) != 0 ? kTiffStopped : kTiffOk;
}

void ChunkDecoder::deliver(const Chunk& chunk, std::int32_t r, const std::uint8_t* stored) {
  const std::int32_t y = chunk.top + r;
  if (layout_.bilevel) {
    PlaceBits(image_, y, chunk.left, chunk.columns, stored);
    return;
  }
  std::uint8_t* samples = convertBuffer_.data();
  ConvertSamples(format_, stored, chunk.columns, samples);
  if (!layout_.tiled && !layout_.planar) {
    const std::size_t bytes = static_cast<std::size_t>(chunk.columns) * format_.outSamples();
    storeColorRow(image_, y, std::span<const std::uint8_t>(samples, bytes));
  } else {
    PlaceColorPixels(image_, y, chunk.left, chunk.columns, layout_.planar ? chunk.plane : -1,
                     samples);
  }
}

}  // namespace

TiffStatus LoadChunkTable(const TiffFile& file, const TiffLayout& layout,
                          platform::MemoryBudget& budget, ChunkTable& table) {
  const std::int64_t needed = layout.chunksPerPlane * layout.planes;
  if (const TiffStatus s = LoadArray(file, layout.offsets, needed, budget, table.offsets);
      s != kTiffOk) {
    return s;
  }
  if (!layout.byteCounts.present) return kTiffOk;
  return LoadArray(file, layout.byteCounts, needed, budget, table.byteCounts);
}

TiffStatus DecodeTiffChunks(RasterImage& image, base::Runtime& rt, const TiffFile& file,
                            const TiffLayout& layout, const ChunkTable& table) {
  ChunkDecoder decoder(image, rt, file, layout, table);
  return decoder.run();
}

TiffStatus CheckStoredStrips(const TiffFile& file, const TiffLayout& layout,
                             const ChunkTable& table) {
  for (std::int64_t s = 0; s < layout.chunksPerPlane; ++s) {
    const std::int64_t rows = std::min<std::int64_t>(layout.chunkRows,
                                                     layout.height - s * layout.chunkRows);
    if (!file.contains(table.offset(s), static_cast<std::uint64_t>(rows * layout.fileRowBytes))) {
      return msg::kTiffIncompleteData;
    }
  }
  return kTiffOk;
}

}  // namespace vl::image
