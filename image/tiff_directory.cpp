// The TIFF header, the DOS EPS wrapper and the tags of the first image file directory.
#include "image/tiff_directory.h"

#include <cstring>

#include "base/message_table.h"
#include "platform/memory_block.h"

namespace vl::image {

namespace {

constexpr std::uint8_t kDosEpsSignature[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr std::uint64_t kDosEpsTiffStartAt = 20;  // little-endian 32-bit offset of the TIFF data
constexpr std::size_t kEntryBytes = 12;

enum Tag : std::uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kFillOrder = 266,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kMinSampleValue = 280,
  kMaxSampleValue = 281,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfiguration = 284,
  kT4Options = 292,
  kT6Options = 293,
  kPredictor = 317,
  kColorMap = 320,
  kTileWidth = 322,
  kTileLength = 323,
  kTileOffsets = 324,
  kTileByteCounts = 325,
  kExtraSamples = 338,
};

std::uint32_t TypeBytes(std::uint16_t type) {
  switch (type) {
    case kTiffByte: return 1;
    case kTiffShort: return 2;
    case kTiffLong: return 4;
    case kTiffRational: return 8;
    default: return 0;
  }
}

// One directory entry, with where its values are.
struct Entry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint64_t valueField = 0;  // offset from base of the entry's 4-byte value field
  std::uint32_t offset = 0;      // the value field read as a 32-bit offset

  // Offset from base of the first value: inline when all values fit in the value field.
  std::uint64_t valuesAt() const {
    return std::uint64_t{count} * TypeBytes(type) <= 4 ? valueField : offset;
  }
};

class DirectoryReader {
 public:
  DirectoryReader(TiffFile& file, base::Runtime& rt) : file_(file), rt_(rt) {}

  // "getlong": the first value of a BYTE, SHORT or LONG entry; any other type shows the
  // format message and gives 0.
  std::uint32_t number(const Entry& e) {
    if (e.type != kTiffByte && e.type != kTiffShort && e.type != kTiffLong) {
      warn(msg::kTiffGetLongError, longWarned_);
      return 0;
    }
    std::uint8_t bytes[4] = {};
    if (!file_.read(e.valuesAt(), bytes, TypeBytes(e.type))) return 0;
    if (e.type == kTiffByte) return bytes[0];
    return e.type == kTiffShort ? file_.load16(bytes) : file_.load32(bytes);
  }

  // "getrational": numerator / denominator; 0 for another type or a zero denominator.
  double rational(const Entry& e) {
    if (e.type != kTiffRational) {
      warn(msg::kTiffGetRationalError, rationalWarned_);
      return 0.0;
    }
    std::uint8_t bytes[8];
    if (!file_.read(e.offset, bytes, sizeof bytes)) return 0.0;
    const std::uint32_t denominator = file_.load32(bytes + 4);
    return denominator == 0 ? 0.0 : double(file_.load32(bytes)) / denominator;
  }

  // An array of 16- or 32-bit numbers (the colour map only 16-bit).
  TiffArray array(const Entry& e, bool shortOnly) {
    TiffArray a;
    if (e.type != kTiffShort && (shortOnly || e.type != kTiffLong)) {
      warn(msg::kTiffGetLongError, longWarned_);
      return a;
    }
    a.present = e.count != 0;
    a.type = e.type;
    a.count = e.count;
    a.position = e.valuesAt();
    return a;
  }

 private:
  // One box per kind and read: a damaged directory would otherwise raise one per entry.
  void warn(int number, bool& shown) {
    if (!shown) base::ShowMessage(rt_, number);
    shown = true;
  }

  TiffFile& file_;
  base::Runtime& rt_;
  bool longWarned_ = false;
  bool rationalWarned_ = false;
};

void ApplyEntry(DirectoryReader& reader, const Entry& e, TiffDirectory& dir) {
  switch (e.tag) {
    case kImageWidth: dir.width = reader.number(e); break;
    case kImageLength: dir.height = reader.number(e); break;
    case kBitsPerSample: {
      const std::uint32_t bits = reader.number(e);
      dir.bitsPerSample = bits == 0 ? 8 : bits;
      break;
    }
    case kCompression: dir.compression = reader.number(e); break;
    case kPhotometric: dir.photometric = reader.number(e); break;
    case kFillOrder: dir.fillOrder = reader.number(e); break;
    case kT4Options: dir.t4Options = reader.number(e); break;
    case kT6Options: dir.t6Options = reader.number(e); break;
    case kSamplesPerPixel: dir.fileSamplesPerPixel = reader.number(e); break;
    case kRowsPerStrip: dir.rowsPerStrip = reader.number(e); break;
    case kMinSampleValue: dir.minSample = reader.number(e); break;
    case kMaxSampleValue: dir.maxSample = reader.number(e); break;
    case kXResolution: dir.xResolution = reader.rational(e); break;
    case kYResolution: dir.yResolution = reader.rational(e); break;
    case kPlanarConfiguration: dir.planarConfig = reader.number(e); break;
    case kPredictor: dir.predictor = reader.number(e); break;
    case kTileWidth: dir.tileWidth = reader.number(e); break;
    case kTileLength: dir.tileLength = reader.number(e); break;
    case kStripOffsets:
    case kTileOffsets: dir.offsets = reader.array(e, false); break;
    case kStripByteCounts:
    case kTileByteCounts: dir.byteCounts = reader.array(e, false); break;
    case kColorMap: dir.colorMap = reader.array(e, true); break;
    case kExtraSamples:
      dir.extraSamples = e.count;
      dir.firstExtraSample = e.count != 0 ? reader.number(e) : 0;
      break;
    default: break;  // tags the reader has no use for
  }
}

}  // namespace

TiffStatus ReadTiffDirectory(TiffFile& file, base::Runtime& rt, TiffDirectory& dir) {
  dir = TiffDirectory{};
  file.base = 0;
  std::uint8_t header[8];
  if (!file.read(0, header, 4)) return msg::kTiffIncompleteData;
  if (std::memcmp(header, kDosEpsSignature, 4) == 0) {
    std::uint8_t start[4];
    if (!file.read(kDosEpsTiffStartAt, start, 4)) return msg::kTiffIncompleteData;
    file.base = platform::LoadLe32(start);
  }
  if (!file.read(0, header, 2)) return msg::kTiffIncompleteData;
  if (header[0] == 'I' && header[1] == 'I') {
    file.order = platform::ByteOrder::kLittleEndian;
  } else if (header[0] == 'M' && header[1] == 'M') {
    file.order = platform::ByteOrder::kBigEndian;
  } else {
    return msg::kTiffByteOrderError;
  }
  // The version word is not checked; only the first directory is used.
  if (!file.read(0, header, sizeof header)) return msg::kTiffIncompleteData;
  const std::uint64_t ifd = file.load32(header + 4);

  std::uint8_t countBytes[2];
  if (!file.read(ifd, countBytes, 2)) return msg::kTiffIncompleteData;
  const std::uint32_t entries = file.load16(countBytes);
  const std::uint64_t tableAt = ifd + 2;
  if (!file.contains(tableAt, std::uint64_t{entries} * kEntryBytes)) {
    return msg::kTiffIncompleteData;
  }

  // The whole table in one read: at most 65535 entries of 12 bytes, all inside the file.
  platform::Block table;
  if (!table.allocate(rt.memory, std::size_t{entries} * kEntryBytes)) {
    return msg::kInsufficientMemory;
  }
  if (!file.read(tableAt, table.data(), table.size())) return msg::kTiffIncompleteData;

  DirectoryReader reader(file, rt);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint8_t* p = table.data() + std::size_t{i} * kEntryBytes;
    Entry e;
    e.tag = file.load16(p);
    e.type = file.load16(p + 2);
    e.count = file.load32(p + 4);
    e.valueField = tableAt + std::uint64_t{i} * kEntryBytes + 8;
    e.offset = file.load32(p + 8);
    if (e.count == 0 && e.tag != kExtraSamples) continue;  // no value to take
    ApplyEntry(reader, e, dir);
  }
  return kTiffOk;
}

}  // namespace vl::image
