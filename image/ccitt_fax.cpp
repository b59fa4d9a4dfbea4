// CCITT Group 3 and Group 4 fax decoding. A row is decoded into its changing elements (the
// pixels where the colour changes) and only then painted, a run at a time: the two-dimensional
// modes are defined on changing elements, and a fax page is mostly long white runs.
#include "image/ccitt_fax.h"

#include <array>
#include <cstring>

#include "image/ccitt_huffman.h"

namespace vl::image {

namespace {

constexpr int kMaxWidth = 32767;          // pixels
constexpr int kSentinels = 3;             // width entries after the changes (see FindB1)
constexpr std::uint32_t kMakeUpMin = 64;  // run lengths from here on are make-up codes, pixels
constexpr int kEolZeros = 11;             // an end-of-line code: 11 zeros, then a one

constexpr std::array<std::uint8_t, 256> BuildReversed() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned v = 0; v < 256; ++v) {
    unsigned r = 0;
    for (int b = 0; b < 8; ++b) r |= ((v >> b) & 1u) << (7 - b);
    table[v] = static_cast<std::uint8_t>(r);
  }
  return table;
}
constexpr std::array<std::uint8_t, 256> kReversed = BuildReversed();

// Two-dimensional mode codes, looked up by the next 7 bits: (code length << 4) | mode.
enum Mode : std::uint8_t {
  kModeNone = 0,  // seven zeros: an end-of-line code, or nothing valid
  kPass,
  kHorizontal,
  kVertical0,     // kVertical0 + 3 + d for a1 = b1 + d, d = -3 .. 3
  kExtension = kVertical0 + 7,  // uncompressed mode and other extensions
};

constexpr std::array<std::uint8_t, 128> BuildModes() {
  struct Code { const char* bits; std::uint8_t mode; };
  constexpr Code codes[] = {
      {"1", kVertical0 + 3},       {"011", kVertical0 + 4},     {"010", kVertical0 + 2},
      {"001", kHorizontal},        {"0001", kPass},             {"000011", kVertical0 + 5},
      {"000010", kVertical0 + 1},  {"0000011", kVertical0 + 6}, {"0000010", kVertical0 + 0},
      {"0000001", kExtension},
  };
  std::array<std::uint8_t, 128> table{};
  for (const Code& c : codes) {
    unsigned value = 0, length = 0;
    for (const char* p = c.bits; *p != '\0'; ++p, ++length) value = value << 1 | (*p == '1');
    const unsigned spare = 7 - length;
    for (unsigned i = 0; i < (1u << spare); ++i)
      table[(value << spare) + i] = static_cast<std::uint8_t>(length << 4 | c.mode);
  }
  return table;
}
constexpr std::array<std::uint8_t, 128> kModes = BuildModes();

// Bits of the input, most significant first after any reversal, read through a 32-bit peek.
class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> in, std::size_t bitPos, bool reversed)
      : in_(in), bits_(in.size() * 8), pos_(bitPos), reversed_(reversed) {}

  // The next 32 bits, the first in bit 31; zeros past the end of the input.
  std::uint32_t peek() const {
    const std::size_t byte = pos_ >> 3;
    std::uint64_t window = 0;
    if (byte + 8 <= in_.size() && !reversed_) {
      std::uint8_t b[8];
      std::memcpy(b, in_.data() + byte, 8);
      for (std::uint8_t v : b) window = window << 8 | v;
    } else {
      for (std::size_t k = 0; k < 8; ++k) {
        const std::uint8_t v = byte + k < in_.size() ? in_[byte + k] : 0;
        window = window << 8 | (reversed_ ? kReversed[v] : v);
      }
    }
    return static_cast<std::uint32_t>((window << (pos_ & 7)) >> 32);
  }
  std::size_t left() const { return bits_ - pos_; }
  void skip(std::size_t n) { pos_ += n; }
  std::size_t position() const { return pos_; }

 private:
  std::span<const std::uint8_t> in_;
  std::size_t bits_;
  std::size_t pos_;
  bool reversed_;
};

// Why a code could not be read: a miss near the end of the input is a row cut short.
DecodeStatus MissStatus(const BitReader& bits, std::size_t needed) {
  return bits.left() < needed ? DecodeStatus::kTruncated : DecodeStatus::kBadCode;
}

// One run of make-up codes ended by a terminating code, in pixels; `limit` bounds it.
DecodeStatus ReadRun(BitReader& bits, bool black, std::uint32_t limit, std::uint32_t& run) {
  run = 0;
  for (;;) {
    const std::uint16_t entry = LookupRunCode(black, bits.peek() >> (32 - kRunLookupBits));
    const std::size_t length = entry >> 12;
    if (entry == 0) return MissStatus(bits, kRunLookupBits);
    if (length > bits.left()) return DecodeStatus::kTruncated;
    bits.skip(length);
    const std::uint32_t piece = entry & 0x0FFFu;
    run += piece;
    if (run > limit) return DecodeStatus::kBadRunLength;
    if (piece < kMakeUpMin) return DecodeStatus::kOk;
  }
}

// Skips fill zeros and an end-of-line code when the row starts with one; whether it did.
DecodeStatus SkipEndOfLine(BitReader& bits, bool& found) {
  found = false;
  std::size_t zeros = 0;
  for (;;) {
    const std::uint32_t next = bits.peek();
    const std::size_t lead = next == 0 ? 32 : static_cast<std::size_t>(__builtin_clz(next));
    if (lead >= bits.left()) {
      // Nothing but zeros to the end: a code cut short, unless they cannot be one.
      return zeros + bits.left() >= kEolZeros ? DecodeStatus::kTruncated : DecodeStatus::kOk;
    }
    if (lead < 32) {
      if (zeros + lead < kEolZeros) return DecodeStatus::kOk;  // not an end of line
      bits.skip(lead + 1);
      found = true;
      return DecodeStatus::kOk;
    }
    bits.skip(32);
    zeros += 32;
  }
}

}  // namespace

bool CcittFaxDecoder::start(int widthPixels, const CcittFaxOptions& options) {
  if (widthPixels < 0 || widthPixels > kMaxWidth) return false;
  width_ = widthPixels;
  options_ = options;
  reference_.assign(static_cast<std::size_t>(widthPixels) + kSentinels, widthPixels);
  current_.assign(static_cast<std::size_t>(widthPixels) + kSentinels, widthPixels);
  startStrip();
  return true;
}

void CcittFaxDecoder::startStrip() {
  bitOffset_ = 0;
  if (width_ >= 0) std::fill_n(reference_.begin(), kSentinels, width_);
}

DecodeResult CcittFaxDecoder::decodeRow(std::span<const std::uint8_t> in,
                                        std::span<std::uint8_t> row) {
  if (width_ < 0) return {0, 0, DecodeStatus::kBadArgument};
  const std::int32_t width = width_;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  if (row.size() < rowBytes) return {0, 0, DecodeStatus::kBadArgument};

  BitReader bits(in, bitOffset_, options_.leastSignificantFirst);
  const auto fail = [&](DecodeStatus why) { return DecodeResult{0, 0, why}; };

  bool twoD = options_.group4;
  if (!options_.group4) {
    bool eol = false;
    if (const DecodeStatus s = SkipEndOfLine(bits, eol); s != DecodeStatus::kOk) return fail(s);
    if (options_.twoDimensional) {
      // The tag bit after the end of line: 1 one-dimensional, 0 two-dimensional.
      if (bits.left() < 1) return fail(DecodeStatus::kTruncated);
      twoD = (bits.peek() >> 31) == 0;
      bits.skip(1);
    }
  }

  // The changes of this row go to current_; n of them so far. A row has at most one change
  // per pixel: more means zero-length runs piling up, which no encoder writes.
  std::int32_t* const changes = current_.data();
  std::size_t n = 0;
  const auto add = [&](std::int32_t at) {
    if (at >= width) return true;  // the row's end is no change
    if (n >= static_cast<std::size_t>(width)) return false;
    changes[n++] = at;
    return true;
  };

  if (!twoD) {
    // Modified Huffman runs, white first, each ending where the next colour starts.
    std::int32_t position = 0;
    bool black = false;
    do {
      std::uint32_t run = 0;
      const DecodeStatus s =
          ReadRun(bits, black, static_cast<std::uint32_t>(width - position), run);
      if (s != DecodeStatus::kOk) return fail(s);
      position += static_cast<std::int32_t>(run);
      if (!add(position)) return fail(DecodeStatus::kBadRunLength);
      black = !black;
    } while (position < width);
  } else {
    const std::int32_t* const ref = reference_.data();
    std::int32_t a0 = -1;  // before the first pixel: an imaginary white one
    bool black = false;    // colour of a0
    std::size_t i = 0;     // where the search for b1 resumes in the reference row
    while (a0 < width) {
      // b1: the first change of the reference row right of a0 to the colour opposite a0's,
      // that is at an even index when a0 is white. Three width sentinels end every search.
      while (i > 0 && ref[i - 1] > a0) --i;
      while (ref[i] <= a0 || (i & 1u) != (black ? 1u : 0u)) ++i;
      const std::int32_t b1 = ref[i];
      const std::uint8_t entry = kModes[bits.peek() >> 25];
      const std::uint8_t mode = entry & 0x0F;
      if (mode == kModeNone || mode == kExtension) return fail(MissStatus(bits, 7));
      if (static_cast<std::size_t>(entry >> 4) > bits.left()) {
        return fail(DecodeStatus::kTruncated);
      }
      bits.skip(entry >> 4);
      if (mode == kPass) {
        a0 = ref[i + 1];  // b2; the colour goes on
      } else if (mode == kHorizontal) {
        const std::int32_t from = a0 < 0 ? 0 : a0;
        std::uint32_t first = 0, second = 0;
        DecodeStatus s = ReadRun(bits, black, static_cast<std::uint32_t>(width - from), first);
        if (s != DecodeStatus::kOk) return fail(s);
        const std::int32_t a1 = from + static_cast<std::int32_t>(first);
        s = ReadRun(bits, !black, static_cast<std::uint32_t>(width - a1), second);
        if (s != DecodeStatus::kOk) return fail(s);
        const std::int32_t a2 = a1 + static_cast<std::int32_t>(second);
        if (!add(a1) || !add(a2)) return fail(DecodeStatus::kBadRunLength);
        a0 = a2;
      } else {
        const std::int32_t a1 = b1 + (mode - kVertical0 - 3);
        if (a1 < (a0 < 0 ? 0 : a0) || a1 > width || !add(a1)) {
          return fail(DecodeStatus::kBadRunLength);
        }
        a0 = a1;
        black = !black;
      }
    }
  }

  // Paint the black runs: from each even change to the next one, or to the end.
  std::memset(row.data(), 0, rowBytes);
  for (std::size_t k = 0; k < n; k += 2) {
    const std::int32_t to = k + 1 < n ? changes[k + 1] : width;
    SetBitRun(row.data(), static_cast<std::size_t>(changes[k]), static_cast<std::size_t>(to));
  }
  // This row is the next one's reference.
  std::fill_n(current_.begin() + static_cast<std::ptrdiff_t>(n), kSentinels, width);
  current_.swap(reference_);
  bitOffset_ = static_cast<unsigned>(bits.position() & 7);
  return {bits.position() >> 3, rowBytes, DecodeStatus::kOk};
}

}  // namespace vl::image
