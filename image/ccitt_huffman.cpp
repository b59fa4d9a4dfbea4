// CCITT modified Huffman decoding (TIFF compression 2). The T.4 tables are written out as code
// strings and turned at compile time into one 13-bit lookup table per colour: 13 bits is the
// longest code, so each run is one table access and no second-level search is needed.
#include "image/ccitt_huffman.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace vl::image {

namespace {

struct CodeText {
  const char* code;  // the code word as '0' and '1', first bit sent first
  std::uint16_t run; // run length, pixels
};

constexpr std::size_t kCodesPerColour = 64 + 27 + 13;

// ITU-T T.4 white runs: terminating codes 0-63, then make-up codes 64-1728.
constexpr CodeText kWhiteText[91] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},
    {"1011", 4},         {"1100", 5},         {"1110", 6},         {"1111", 7},
    {"10011", 8},        {"10100", 9},        {"00111", 10},       {"01000", 11},
    {"001000", 12},      {"000011", 13},      {"110100", 14},      {"110101", 15},
    {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},
    {"0101000", 24},     {"0101011", 25},     {"0010011", 26},     {"0100100", 27},
    {"0011000", 28},     {"00000010", 29},    {"00000011", 30},    {"00011010", 31},
    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},    {"00010100", 35},
    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},
    {"00101101", 44},    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},
    {"00001011", 48},    {"01010010", 49},    {"01010011", 50},    {"01010100", 51},
    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},    {"01011000", 55},
    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},
    {"00110110", 320},   {"00110111", 384},   {"01100100", 448},   {"01100101", 512},
    {"01101000", 576},   {"01100111", 640},   {"011001100", 704},  {"011001101", 768},
    {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},    {"010011011", 1728},
};

// ITU-T T.4 black runs: terminating codes 0-63, then make-up codes 64-1728.
constexpr CodeText kBlackText[91] = {
    {"0000110111", 0},      {"010", 1},             {"11", 2},
    {"10", 3},              {"011", 4},             {"0011", 5},
    {"0010", 6},            {"00011", 7},           {"000101", 8},
    {"000100", 9},          {"0000100", 10},        {"0000101", 11},
    {"0000111", 12},        {"00000100", 13},       {"00000111", 14},
    {"000011000", 15},      {"0000010111", 16},     {"0000011000", 17},
    {"0000001000", 18},     {"00001100111", 19},    {"00001101000", 20},
    {"00001101100", 21},    {"00000110111", 22},    {"00000101000", 23},
    {"00000010111", 24},    {"00000011000", 25},    {"000011001010", 26},
    {"000011001011", 27},   {"000011001100", 28},   {"000011001101", 29},
    {"000001101000", 30},   {"000001101001", 31},   {"000001101010", 32},
    {"000001101011", 33},   {"000011010010", 34},   {"000011010011", 35},
    {"000011010100", 36},   {"000011010101", 37},   {"000011010110", 38},
    {"000011010111", 39},   {"000001101100", 40},   {"000001101101", 41},
    {"000011011010", 42},   {"000011011011", 43},   {"000001010100", 44},
    {"000001010101", 45},   {"000001010110", 46},   {"000001010111", 47},
    {"000001100100", 48},   {"000001100101", 49},   {"000001010010", 50},
    {"000001010011", 51},   {"000000100100", 52},   {"000000110111", 53},
    {"000000111000", 54},   {"000000100111", 55},   {"000000101000", 56},
    {"000001011000", 57},   {"000001011001", 58},   {"000000101011", 59},
    {"000000101100", 60},   {"000001011010", 61},   {"000001100110", 62},
    {"000001100111", 63},   {"0000001111", 64},     {"000011001000", 128},
    {"000011001001", 192},  {"000001011011", 256},  {"000000110011", 320},
    {"000000110100", 384},  {"000000110101", 448},  {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704},
    {"0000001001100", 768}, {"0000001001101", 832}, {"0000001110010", 896},
    {"0000001110011", 960}, {"0000001110100", 1024}, {"0000001110101", 1088},
    {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472},
    {"0000001011010", 1536}, {"0000001011011", 1600}, {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// ITU-T T.4 extended make-up codes 1792-2560, the same for both colours.
constexpr CodeText kExtendedText[13] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},
    {"000000010010", 1984}, {"000000010011", 2048}, {"000000010100", 2112},
    {"000000010101", 2176}, {"000000010110", 2240}, {"000000010111", 2304},
    {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr RunCode ToRunCode(const CodeText& text) {
  RunCode code{0, 0, text.run};
  for (const char* c = text.code; *c != '\0'; ++c) {
    code.bits = static_cast<std::uint16_t>((code.bits << 1) | (*c == '1' ? 1 : 0));
    ++code.length;
  }
  return code;
}

constexpr std::array<RunCode, kCodesPerColour> BuildCodes(const CodeText (&own)[91]) {
  std::array<RunCode, kCodesPerColour> codes{};
  std::size_t n = 0;
  for (const CodeText& text : own) codes[n++] = ToRunCode(text);
  for (const CodeText& text : kExtendedText) codes[n++] = ToRunCode(text);
  return codes;
}

constexpr std::array<RunCode, kCodesPerColour> kWhiteCodes = BuildCodes(kWhiteText);
constexpr std::array<RunCode, kCodesPerColour> kBlackCodes = BuildCodes(kBlackText);

// Lookup by the next 13 input bits: (code length << 12) | run, 0 where no code matches.
constexpr int kLookupBits = kRunLookupBits;
using Lookup = std::array<std::uint16_t, 1u << kLookupBits>;

constexpr Lookup BuildLookup(const std::array<RunCode, kCodesPerColour>& codes) {
  Lookup lookup{};
  for (const RunCode& code : codes) {
    const int spare = kLookupBits - code.length;
    const std::uint32_t first = static_cast<std::uint32_t>(code.bits) << spare;
    for (std::uint32_t i = 0; i < (1u << spare); ++i) {
      lookup[first + i] = static_cast<std::uint16_t>((code.length << 12) | code.run);
    }
  }
  return lookup;
}

constexpr Lookup kWhiteLookup = BuildLookup(kWhiteCodes);
constexpr Lookup kBlackLookup = BuildLookup(kBlackCodes);

constexpr int kMakeUpMin = 64;  // run lengths from here on are make-up codes, pixels

// The 13 bits starting at `bitPos`, with zeros past the end of the input.
std::uint32_t PeekBits(std::span<const std::uint8_t> in, std::size_t bitPos) {
  const std::size_t byte = bitPos >> 3;
  std::uint32_t window = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    window = (window << 8) | (byte + k < in.size() ? in[byte + k] : 0u);
  }
  const int shift = 24 - kLookupBits - static_cast<int>(bitPos & 7);
  return (window >> shift) & ((1u << kLookupBits) - 1);
}

}  // namespace

void SetBitRun(std::uint8_t* row, std::size_t from, std::size_t to) {
  if (from >= to) return;
  std::size_t firstByte = from >> 3;
  const std::size_t lastByte = (to - 1) >> 3;
  const auto headMask = static_cast<std::uint8_t>(0xFFu >> (from & 7));
  const auto tailMask = static_cast<std::uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
  if (firstByte == lastByte) {
    row[firstByte] |= headMask & tailMask;
    return;
  }
  row[firstByte++] |= headMask;
  std::memset(row + firstByte, 0xFF, lastByte - firstByte);
  row[lastByte] |= tailMask;
}

std::uint16_t LookupRunCode(bool black, std::uint32_t next13Bits) {
  return (black ? kBlackLookup : kWhiteLookup)[next13Bits & ((1u << kLookupBits) - 1)];
}

std::span<const RunCode> CcittRunCodes(bool black) {
  return black ? std::span<const RunCode>(kBlackCodes) : std::span<const RunCode>(kWhiteCodes);
}

DecodeResult DecodeCcittRow(std::span<const std::uint8_t> in, int widthPixels,
                            std::span<std::uint8_t> row) {
  if (widthPixels < 0) return {0, 0, DecodeStatus::kBadArgument};
  const auto width = static_cast<std::size_t>(widthPixels);
  const std::size_t rowBytes = (width + 7) / 8;
  if (row.size() < rowBytes) return {0, 0, DecodeStatus::kBadArgument};
  if (rowBytes > 0) std::memset(row.data(), 0, rowBytes);

  const std::size_t inBits = in.size() * 8;
  const auto bytesUsed = [](std::size_t bits) { return (bits + 7) / 8; };
  std::size_t bitPos = 0;
  std::size_t position = 0;   // pixels decoded so far
  std::size_t runStart = 0;   // first pixel of the run being decoded
  bool black = false;
  bool terminated = width == 0;  // whether the last code ended a run

  while (!(terminated && position == width)) {
    const Lookup& lookup = black ? kBlackLookup : kWhiteLookup;
    const std::uint16_t entry = lookup[PeekBits(in, bitPos)];
    const std::size_t length = entry >> 12;
    const std::size_t left = inBits - bitPos;
    if (entry == 0 || length > left) {
      // A miss within the zero padding past the end means the row was cut short.
      const DecodeStatus why =
          left < static_cast<std::size_t>(kLookupBits) ? DecodeStatus::kTruncated
                                                       : DecodeStatus::kBadCode;
      return {bytesUsed(bitPos), rowBytes, why};
    }
    bitPos += length;
    const std::size_t run = entry & 0x0FFFu;
    position += run;
    if (position > width) return {bytesUsed(bitPos), rowBytes, DecodeStatus::kBadRunLength};
    terminated = run < kMakeUpMin;
    if (terminated) {
      if (black) SetBitRun(row.data(), runStart, position);
      runStart = position;
      black = !black;
    }
  }
  return {bytesUsed(bitPos), rowBytes, DecodeStatus::kOk};
}

}  // namespace vl::image
