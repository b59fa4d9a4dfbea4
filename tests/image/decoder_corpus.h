// Test-only access to the decoder corpus: strips compressed by real tools (libtiff, PIL), with
// the bytes each must decode to (see decoder_corpus/make_corpus.py).
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "image/ccitt_huffman.h"
#include "image/lzw_decoder.h"
#include "image/packbits.h"
#include "image/predictor.h"

namespace vl::test {

struct CorpusCase {
  std::string name, codec;  // codec: "packbits", "lzw" or "ccitt"
  int width = 0, height = 0, samplesPerPixel = 0, bitsPerSample = 0, predictor = 1;  // pixels
  bool bigEndian = false;
  std::vector<std::uint8_t> in, expected;  // the strip as stored in the file; decoded
  std::size_t rowBytes() const { return (width * samplesPerPixel * bitsPerSample + 7u) / 8; }
};

// Every case of corpus.txt with its files; empty if the manifest is missing.
inline std::vector<CorpusCase> LoadCorpus() {
  const std::string dir = std::string(VL_SOURCE_DIR) + "/tests/image/decoder_corpus/";
  const auto read = [&dir](const std::string& name) {
    std::ifstream f(dir + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
  };
  std::vector<CorpusCase> cases;
  std::ifstream manifest(dir + "corpus.txt");
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    CorpusCase c;
    std::string order;
    fields >> c.name >> c.codec >> c.width >> c.height >> c.samplesPerPixel >> c.bitsPerSample >>
        c.predictor >> order;
    c.bigEndian = order == "MM";
    c.in = read(c.name + ".in");
    c.expected = read(c.name + ".out");
    cases.push_back(std::move(c));
  }
  return cases;
}

// Decodes a strip as the TIFF reader does: LZW in one piece, then the predictor; PackBits and
// CCITT row by row, each where the last stopped, up to the first failure (totals, its status).
inline image::DecodeResult DecodeStrip(const CorpusCase& c, std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out) {
  if (c.codec == "lzw") {
    auto table = std::make_unique<image::LzwTable>();
    const image::DecodeResult r = image::DecodeLzw(in, out, *table);
    if (c.predictor == 2) {
      image::UndoHorizontalPredictorRows(out.first(r.produced), c.rowBytes(), c.samplesPerPixel,
                                         c.bitsPerSample, c.bigEndian);
    }
    return r;
  }
  const std::size_t rowBytes = c.rowBytes();
  image::DecodeResult total;
  for (int y = 0; y < c.height && (y + 1) * rowBytes <= out.size() && total.ok(); ++y) {
    const auto rest = in.subspan(total.consumed);
    const auto row = out.subspan(y * rowBytes, rowBytes);
    const image::DecodeResult r = c.codec == "ccitt" ? image::DecodeCcittRow(rest, c.width, row)
                                                     : image::DecodePackBits(rest, row);
    total = {total.consumed + r.consumed, total.produced + r.produced, r.status};
  }
  return total;
}

}  // namespace vl::test
