// Test-only access to the decoder corpus: compressed strips made by trusted encoders, with the
// bytes each must decode to (see decoder_corpus/make_corpus.py).
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/ccitt_huffman.h"
#include "image/lzw_decoder.h"
#include "image/packbits.h"
#include "image/predictor.h"

namespace vl::test {

struct CorpusCase {
  std::string name;
  std::string codec;  // "packbits", "lzw" or "ccitt"
  int width = 0;      // pixels
  int height = 0;     // rows
  int samplesPerPixel = 0;
  int bitsPerSample = 0;
  int predictor = 1;
  bool bigEndian = false;
  std::vector<std::uint8_t> in;        // the strip as stored in the file
  std::vector<std::uint8_t> expected;  // the decoded strip

  std::size_t rowBytes() const {
    const std::size_t bits = static_cast<std::size_t>(width) * samplesPerPixel * bitsPerSample;
    return (bits + 7) / 8;
  }
};

inline std::string CorpusDir() { return std::string(VL_SOURCE_DIR) + "/tests/image/decoder_corpus/"; }

inline std::vector<std::uint8_t> ReadCorpusFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Every case of corpus.txt with its files; empty if the manifest is missing.
inline std::vector<CorpusCase> LoadCorpus() {
  std::vector<CorpusCase> cases;
  std::ifstream manifest(CorpusDir() + "corpus.txt");
  std::string line;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    CorpusCase c;
    std::string order;
    fields >> c.name >> c.codec >> c.width >> c.height >> c.samplesPerPixel >> c.bitsPerSample >>
        c.predictor >> order;
    c.bigEndian = order == "MM";
    c.in = ReadCorpusFile(CorpusDir() + c.name + ".in");
    c.expected = ReadCorpusFile(CorpusDir() + c.name + ".out");
    cases.push_back(std::move(c));
  }
  return cases;
}

// Decodes a whole strip the way the TIFF reader does: PackBits and CCITT row by row, each row
// starting where the previous one stopped; LZW in one piece, then the predictor. Stops at the
// first row that fails and reports the totals so far with that row's status.
inline image::DecodeResult DecodeStrip(const CorpusCase& c, std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out) {
  using image::DecodeResult;
  if (c.codec == "lzw") {
    auto table = std::make_unique<image::LzwTable>();
    DecodeResult r = image::DecodeLzw(in, out, *table);
    if (c.predictor == 2) {
      image::UndoHorizontalPredictorRows(out.first(r.produced), c.rowBytes(), c.samplesPerPixel,
                                         c.bitsPerSample, c.bigEndian);
    }
    return r;
  }
  const std::size_t rowBytes = c.rowBytes();
  DecodeResult total;
  for (int y = 0; y < c.height && (y + 1) * rowBytes <= out.size(); ++y) {
    const auto row = out.subspan(y * rowBytes, rowBytes);
    const auto rest = in.subspan(total.consumed);
    const DecodeResult r = c.codec == "ccitt" ? image::DecodeCcittRow(rest, c.width, row)
                                              : image::DecodePackBits(rest, row);
    total.consumed += r.consumed;
    total.produced += r.produced;
    total.status = r.status;
    if (!r.ok()) break;
  }
  return total;
}

}  // namespace vl::test
