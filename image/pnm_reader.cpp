// The netpbm reader: a header of white-space separated decimal fields (comments from '#' to the
// end of the line), or PAM's keyword lines, then the samples, binary or as decimal text.
#include "image/pnm_reader.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/message_table.h"
#include "image/byte_input.h"
#include "image/raster_fill.h"
#include "image/reader_progress.h"

namespace vl::image {

namespace {

constexpr std::size_t kInputBufferBytes = 64 * 1024;
constexpr std::uint32_t kMaxMaxValue = 65535;
constexpr std::size_t kMaxHeaderLine = 256;  // PAM header lines; longer ones are damage

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The header or a plain raster, one character at a time with one character of look-ahead.
class Scanner {
 public:
  explicit Scanner(ByteInput& in) : in_(in) {}

  bool peek(std::uint8_t& c) {
    if (!held_) held_ = in_.next(ahead_);
    if (held_) c = ahead_;
    return held_;
  }
  bool next(std::uint8_t& c) {
    if (!peek(c)) return false;
    held_ = false;
    return true;
  }
  // Skips white space and comments.
  bool skipSpace() {
    std::uint8_t c = 0;
    while (peek(c)) {
      if (c == '#') {
        while (next(c) && c != '\n' && c != '\r') {}
      } else if (IsSpace(c)) {
        next(c);
      } else {
        return true;
      }
    }
    return false;
  }
  // A decimal number of at most `limit`, after white space and comments.
  bool number(std::uint32_t limit, std::uint32_t& value) {
    std::uint8_t c = 0;
    if (!skipSpace() || !peek(c) || c < '0' || c > '9') return false;
    std::uint64_t v = 0;
    while (peek(c) && c >= '0' && c <= '9') {
      v = v * 10 + (c - '0');
      if (v > limit) return false;
      next(c);
    }
    value = static_cast<std::uint32_t>(v);
    return true;
  }
  // One line of the PAM header, without its end.
  bool line(std::string& text) {
    text.clear();
    for (std::uint8_t c = 0;;) {
      if (!next(c)) return false;
      if (c == '\n') return true;
      if (text.size() == kMaxHeaderLine) return false;
      text.push_back(static_cast<char>(c));
    }
  }
  bool hasAhead() const { return held_; }

 private:
  ByteInput& in_;
  std::uint8_t ahead_ = 0;
  bool held_ = false;
};

struct PnmHeader {
  char kind = 0;  // '1' to '7'
  std::uint32_t width = 0, height = 0, depth = 1, maxValue = 1;
  std::string tupleType;
  bool plain = false;  // samples as decimal text
  bool bitPacked = false;  // P4
  bool alpha = false;
  PixelKind pixels = PixelKind::kGray;
};

bool ReadClassicHeader(Scanner& s, PnmHeader& h) {
  if (!s.number(kMaxSidePixels * 2u, h.width) || !s.number(kMaxSidePixels * 2u, h.height))
    return false;
  if (h.kind != '1' && h.kind != '4' && (!s.number(kMaxMaxValue, h.maxValue) || h.maxValue == 0))
    return false;
  h.depth = h.kind == '3' || h.kind == '6' ? 3 : 1;
  // Exactly one white-space character ends the header of a binary file.
  std::uint8_t c = 0;
  return s.next(c) && IsSpace(c);
}

// The PAM header: keyword lines up to ENDHDR.
bool ReadPamHeader(Scanner& s, PnmHeader& h) {
  std::string text;
  if (!s.line(text)) return false;  // the rest of the "P7" line
  bool width = false, height = false, depth = false, maxValue = false;
  for (;;) {
    if (!s.line(text)) return false;
    const std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos || text[start] == '#') continue;
    const std::size_t end = text.find_first_of(" \t\r", start);
    const std::string key = text.substr(start, end - start);
    const std::size_t valueStart = text.find_first_not_of(" \t\r", end == std::string::npos ? text.size() : end);
    std::string value = valueStart == std::string::npos ? "" : text.substr(valueStart);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
      value.pop_back();
    if (key == "ENDHDR") break;
    if (key == "TUPLTYPE") {
      h.tupleType += (h.tupleType.empty() ? "" : " ") + value;
      continue;
    }
    std::uint32_t* field = key == "WIDTH"    ? (width = true, &h.width)
                           : key == "HEIGHT" ? (height = true, &h.height)
                           : key == "DEPTH"  ? (depth = true, &h.depth)
                           : key == "MAXVAL" ? (maxValue = true, &h.maxValue)
                                             : nullptr;
    if (field == nullptr) return false;
    if (value.empty() || value.size() > 6 || value.find_first_not_of("0123456789") != std::string::npos)
      return false;
    *field = static_cast<std::uint32_t>(std::stoul(value));
  }
  return width && height && depth && maxValue && h.maxValue >= 1 && h.maxValue <= kMaxMaxValue &&
         h.depth >= 1;
}

// The kind of pixels the header describes; false for a PAM tuple type not read here.
bool ChoosePixels(PnmHeader& h) {
  switch (h.kind) {
    case '1': case '4': h.pixels = PixelKind::kBilevel; return true;
    case '2': case '5':
      h.pixels = h.maxValue == 1 ? PixelKind::kBilevel : PixelKind::kGray;
      return true;
    case '3': case '6': h.pixels = PixelKind::kRgb; return true;
    default: break;
  }
  struct Tuple { std::string_view name; PixelKind pixels; std::uint32_t depth; bool alpha; };
  static constexpr Tuple kTuples[] = {
      {"BLACKANDWHITE", PixelKind::kBilevel, 1, false},
      {"BLACKANDWHITE_ALPHA", PixelKind::kBilevel, 2, true},
      {"GRAYSCALE", PixelKind::kGray, 1, false},
      {"GRAYSCALE_ALPHA", PixelKind::kGray, 2, true},
      {"RGB", PixelKind::kRgb, 3, false},
      {"RGB_ALPHA", PixelKind::kRgb, 4, true},
      {"CMYK", PixelKind::kCmyk, 4, false},
      {"", PixelKind::kGray, 1, false},  // no tuple type: known by its depth alone
      {"", PixelKind::kRgb, 3, false},
  };
  for (const Tuple& t : kTuples) {
    if (t.name != h.tupleType || t.depth != h.depth) continue;
    h.pixels = t.pixels;
    h.alpha = t.alpha;
    // Gray of maximum value 1 is a bilevel image.
    if (h.pixels == PixelKind::kGray && h.maxValue == 1) h.pixels = PixelKind::kBilevel;
    if (h.pixels == PixelKind::kBilevel && h.maxValue != 1) h.pixels = PixelKind::kGray;
    return true;
  }
  return false;
}

int BitsFor(std::uint32_t maxValue) {
  int bits = 1;
  while ((1u << bits) - 1 < maxValue) ++bits;
  return bits;
}

// A sample, with alpha when there is one, over white and brought to 0..255.
std::uint8_t OverWhiteScaled(std::uint32_t value, std::uint32_t alpha, std::uint32_t maxValue) {
  const std::uint64_t m = maxValue;
  const std::uint64_t numerator = (std::uint64_t{value} * alpha + m * (m - alpha)) * 255;
  return static_cast<std::uint8_t>((numerator + m * m / 2) / (m * m));
}

// Reads one row of samples (width x depth) into `samples`; false when cut short or a sample
// exceeds the maximum value.
class SampleRows {
 public:
  SampleRows(ByteInput& in, Scanner& s, const PnmHeader& h) : in_(in), s_(s), h_(h) {}

  bool row(std::uint32_t* samples, std::size_t count, std::uint8_t* bytes) {
    if (h_.plain) {
      for (std::size_t i = 0; i < count; ++i) {
        if (h_.kind == '1') {
          // Plain PBM digits need no space between them.
          std::uint8_t c = 0;
          if (!s_.skipSpace() || !s_.next(c) || (c != '0' && c != '1')) return false;
          samples[i] = c == '1' ? 0 : 1;  // 1 is black: as gray of maximum 1, 0 is black
        } else if (!s_.number(h_.maxValue, samples[i])) {
          return false;
        }
      }
      return true;
    }
    const std::size_t width = h_.maxValue > 255 ? 2 : 1;
    if (!in_.read({bytes, count * width})) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t v = width == 2 ? (std::uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1]
                                         : bytes[i];
      if (v > h_.maxValue) return false;
      samples[i] = v;
    }
    return true;
  }

 private:
  ByteInput& in_;
  Scanner& s_;
  const PnmHeader& h_;
};

ReadOutcome ReadPackedBits(RasterImage& image, base::Runtime& rt, ByteInput& in) {
  const auto rowBytes = static_cast<std::size_t>((image.width + 7) / 8);
  ReaderProgress progress(rt, image.height);
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (!progress.beforeStep(y)) return kReadStopped;
    if (!in.read({BitRow(image, y), rowBytes})) return FailRead(rt, msg::kPnmDamaged);
  }
  return kReadDone;
}

}  // namespace

bool LooksLikePnm(const std::uint8_t* head, std::size_t size) {
  return size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' && IsSpace(head[2]);
}

ReadOutcome readPnm(RasterImage& image, base::Runtime& rt) {
  image.sourceFormat = kSourcePnm;
  std::array<std::uint8_t, kInputBufferBytes> buffer{};
  ByteInput in(image.fileHandle, buffer);
  Scanner scan(in);
  std::uint8_t magic[2] = {};
  PnmHeader h;
  if (!scan.next(magic[0]) || !scan.next(magic[1]) || magic[0] != 'P' || magic[1] < '1' ||
      magic[1] > '7') {
    return FailRead(rt, msg::kPnmDamaged);
  }
  h.kind = static_cast<char>(magic[1]);
  h.plain = h.kind <= '3';
  h.bitPacked = h.kind == '4';
  if (!(h.kind == '7' ? ReadPamHeader(scan, h) : ReadClassicHeader(scan, h))) {
    return FailRead(rt, msg::kPnmDamaged);
  }
  if (!ChoosePixels(h)) return RefuseRead(rt, msg::kPamTupleUnsupported);
  // The scanner holds no look-ahead once a binary header has ended.
  if (!h.plain && scan.hasAhead()) return FailRead(rt, msg::kPnmDamaged);

  RasterShape shape;
  shape.kind = h.pixels;
  shape.width = h.width;
  shape.height = h.height;
  // Colour layers hold 8-bit samples; a colour file of maximum value 1 counts as 8-bit.
  shape.sourceBits = std::max(BitsFor(h.maxValue), h.pixels == PixelKind::kBilevel ? 1 : 2);
  if (h.pixels == PixelKind::kRgb && h.maxValue == 1) shape.sourceBits = 8;
  shape.photometric = h.pixels == PixelKind::kGray  ? kBlackIsZero
                      : h.pixels == PixelKind::kRgb ? kPhotometricRgb
                      : h.pixels == PixelKind::kCmyk ? kPhotometricSeparated
                                                     : kWhiteIsZero;
  // A binary file must hold all its pixels before any layer is allocated for them.
  const std::uint64_t samples = std::uint64_t{h.width} * h.depth;
  const std::uint64_t rowBytes = h.bitPacked ? (h.width + 7) / 8 : samples * (h.maxValue > 255 ? 2 : 1);
  if (h.width >= 1 && h.height >= 1 && h.width <= kMaxSidePixels && h.height <= kMaxSidePixels &&
      !h.plain && rowBytes * h.height > static_cast<std::uint64_t>(in.remaining())) {
    return FailRead(rt, msg::kPnmDamaged);
  }
  if (const ReadOutcome begun = BeginRaster(image, rt, shape, msg::kPnmDamaged); !begun.read())
    return begun;
  if (h.bitPacked) return ReadPackedBits(image, rt, in);

  platform::Block values, bytes, row;
  if (!values.allocate(rt.memory, samples * sizeof(std::uint32_t)) ||
      !bytes.allocate(rt.memory, samples * 2) || !row.allocate(rt.memory, samples)) {
    return FailRead(rt, msg::kInsufficientMemory);
  }
  auto* v = reinterpret_cast<std::uint32_t*>(values.data());
  const int colour = static_cast<int>(h.depth) - (h.alpha ? 1 : 0);
  SampleRows rows(in, scan, h);
  ReaderProgress progress(rt, h.height);
  // Rows of the file's own height: a downsampled image keeps every second one.
  for (std::uint32_t y = 0; y < h.height; ++y) {
    if (!progress.beforeStep(y)) return kReadStopped;
    if (!rows.row(v, samples, bytes.data())) return FailRead(rt, msg::kPnmDamaged);
    std::uint8_t* out = row.data();
    if (!h.alpha && h.maxValue == 255) {
      for (std::uint64_t i = 0; i < samples; ++i) out[i] = static_cast<std::uint8_t>(v[i]);
    }
    for (std::uint32_t x = 0; (h.alpha || h.maxValue != 255) && x < h.width; ++x) {
      const std::uint32_t* px = v + std::size_t(x) * h.depth;
      const std::uint32_t alpha = h.alpha ? px[colour] : h.maxValue;
      for (int c = 0; c < colour; ++c)
        out[std::size_t(x) * colour + c] = OverWhiteScaled(px[c], alpha, h.maxValue);
    }
    if (h.pixels == PixelKind::kBilevel) {
      PackInkRow(out, static_cast<std::int32_t>(h.width), BitRow(image, static_cast<std::int32_t>(y)));
    } else {
      storeColorRow(image, static_cast<std::int32_t>(y), {out, std::size_t(h.width) * colour});
    }
  }
  return kReadDone;
}

}  // namespace vl::image
