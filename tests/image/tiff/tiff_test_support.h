// What the TIFF reader tests share: hand-made TIFF files (sound or broken), the corpus's
// manifests, and ways to run the input dispatch.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "base/message_table.h"
#include "image/input_dispatch.h"
#include "tests/image/raster_test_support.h"

namespace vl::image::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string TiffDir() { return std::string(VL_SOURCE_DIR) + "/tests/image/tiff/"; }
inline std::string CorpusPath(const std::string& name) { return TiffDir() + "corpus/" + name; }
inline std::string Text(int number) { return std::string(msg::Text(number)); }

inline Bytes ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// The words of each manifest line that is not a comment.
inline std::vector<std::vector<std::string>> ReadManifest(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream f(path);
  for (std::string line; std::getline(f, line);) {
    std::istringstream in(line);
    using Words = std::istream_iterator<std::string>;
    if (!line.empty() && line[0] != '#') rows.emplace_back(Words(in), Words());
  }
  return rows;
}

// A TIFF file: header, the data blocks in the order added (values longer than an entry's 4
// bytes among them), then one directory sorted by tag.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}
  // Appends bytes to the data area; returns their file offset.
  std::uint32_t addData(const Bytes& bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return static_cast<std::uint32_t>(8 + data_.size() - bytes.size());
  }
  // BYTE (1), SHORT (3), LONG (4) or RATIONAL (5: numerator, denominator pairs) values.
  TiffBuilder& tag(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    Bytes packed;
    for (std::uint32_t v : values) put(packed, v, type == 1 ? 1 : type == 3 ? 2 : 4);
    if (packed.size() > 4) {  // kept among the data, the entry holding their offset
      const std::uint32_t at = addData(packed);
      packed.clear();
      put(packed, at, 4);
    }
    packed.resize(4, 0);
    entries_[tag] = {type, static_cast<std::uint32_t>(values.size() / (type == 5 ? 2 : 1)), packed};
    return *this;
  }
  // An entry as given: type, count and the 4-byte value field.
  TiffBuilder& raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t v) {
    entries_[tag] = {type, count, {}};
    put(entries_[tag].field, v, 4);
    return *this;
  }
  TiffBuilder& remove(std::uint16_t tag) {
    entries_.erase(tag);
    return *this;
  }
  Bytes build() const {
    Bytes out;
    put(out, big_ ? 0x4D4D : 0x4949, 2);
    put(out, 42, 2);
    put(out, 8 + data_.size(), 4);
    out.insert(out.end(), data_.begin(), data_.end());
    put(out, entries_.size(), 2);
    for (const auto& [tag, e] : entries_) {
      put(out, tag, 2);
      put(out, e.type, 2);
      put(out, e.count, 4);
      out.insert(out.end(), e.field.begin(), e.field.end());
    }
    put(out, 0, 4);  // no next directory
    return out;
  }

 private:
  struct Entry {
    std::uint16_t type;
    std::uint32_t count;
    Bytes field;
  };
  void put(Bytes& v, std::size_t x, int size) const {
    for (int i = 0; i < size; ++i) v.push_back(std::uint8_t(x >> 8 * (big_ ? size - 1 - i : i)));
  }
  bool big_;
  Bytes data_;
  std::map<std::uint16_t, Entry> entries_;
};

// An uncompressed image in one strip with the usual tags; tests change or remove tags after.
inline TiffBuilder SimpleTiff(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                              std::uint32_t samples, std::uint32_t photometric, const Bytes& strip,
                              bool bigEndian = false) {
  TiffBuilder b(bigEndian);
  const std::uint32_t at = b.addData(strip);
  b.tag(256, 4, {width}).tag(257, 4, {height}).tag(258, 3, {bits}).tag(259, 3, {1});
  b.tag(262, 3, {photometric}).tag(273, 4, {at}).tag(277, 3, {samples}).tag(278, 4, {height});
  return b.tag(279, 4, {static_cast<std::uint32_t>(strip.size())});
}

// Writes `bytes` to a fresh file `name` in the scratch folder and opens it as the shell would.
inline ReadOutcome OpenBytes(TestRuntime& t, RasterImage& image, const Bytes& bytes,
                      const std::string& name = "input.tif") {
  image.inputName = t.scratchFolder + name;
  std::remove(image.inputName.c_str());  // truncating in place makes some file systems flush
  std::ofstream(image.inputName, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  chooseFormatByName(image, image.inputName);
  return openInputImage(image, t.rt, false);
}

// Reads `bytes` by signature through an in-memory file, without touching the disk.
inline ReadOutcome ReadMemory(TestRuntime& t, RasterImage& image, const Bytes& bytes) {
  releaseImage(image, t.rt);
  image.fileHandle = ::memfd_create("tiff-test", MFD_CLOEXEC);
  image.sourceFormat = kSourceBySignature;
  if (image.fileHandle < 0 ||
      platform::WriteBytes(image.fileHandle, bytes.data(), bytes.size()) != bytes.size()) {
    ADD_FAILURE() << "no in-memory file";
    return ReadFailed(0);
  }
  return readImage(image, t.rt);
}

// The one message shown, or "" when none or several were.
inline std::string OnlyMessage(const TestRuntime& t) {
  return t.ui.messages().size() == 1 ? t.ui.messages()[0] : std::string();
}

inline Bytes ColorBytes(const RasterImage& image) {
  const std::uint8_t* p = image.colorLayer.data();
  return p == nullptr ? Bytes() : Bytes(p, p + std::size_t(image.colorRowBytes) * image.height);
}

}  // namespace vl::image::testing
