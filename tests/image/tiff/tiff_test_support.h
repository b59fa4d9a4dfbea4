// What the TIFF reader tests share: a builder for hand-made TIFF files (well formed or
// deliberately broken), a reader for the PNM/PAM source pictures of the real-tool corpus, and
// helpers that run the input dispatch on a file or on bytes.
#pragma once

#include <sys/mman.h>

#include <cctype>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/message_table.h"
#include "image/input_dispatch.h"
#include "image/raster_image.h"
#include "tests/image/raster_test_support.h"

namespace vl::image::testing {

inline std::string TiffCorpusDir() {
  return std::string(VL_SOURCE_DIR) + "/tests/image/tiff/corpus/";
}

inline std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// ---- Hand-made TIFF files ------------------------------------------------------------------

// Builds a TIFF file: the 8-byte header, the data blocks in the order added, then one
// directory with the entries sorted by tag. Values that do not fit an entry's 4 bytes are
// placed after the directory.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian = false) : bigEndian_(bigEndian) {}

  // Appends bytes to the data area; returns their file offset.
  std::uint32_t addData(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t at = 8 + static_cast<std::uint32_t>(data_.size());
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return at;
  }
  // An entry of BYTE (1), SHORT (3) or LONG (4) values.
  TiffBuilder& tag(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    entries_[tag] = Entry{type, static_cast<std::uint32_t>(values.size()), values, false, 0};
    return *this;
  }
  TiffBuilder& rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
    entries_[tag] = Entry{5, 1, {numerator, denominator}, false, 0};
    return *this;
  }
  // An entry written exactly as given: type, count and the raw 32-bit value field.
  TiffBuilder& raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                   std::uint32_t valueField) {
    entries_[tag] = Entry{type, count, {}, true, valueField};
    return *this;
  }
  TiffBuilder& remove(std::uint16_t tag) {
    entries_.erase(tag);
    return *this;
  }

  std::vector<std::uint8_t> build() const {
    std::vector<std::uint8_t> out;
    out.push_back(bigEndian_ ? 'M' : 'I');
    out.push_back(bigEndian_ ? 'M' : 'I');
    put16(out, 42);
    const std::uint32_t ifd = 8 + static_cast<std::uint32_t>(data_.size());
    put32(out, ifd);
    out.insert(out.end(), data_.begin(), data_.end());
    std::uint32_t extra = ifd + 2 + 12 * static_cast<std::uint32_t>(entries_.size()) + 4;
    std::vector<std::uint8_t> extraBytes;
    put16(out, static_cast<std::uint16_t>(entries_.size()));
    for (const auto& [tag, e] : entries_) {
      put16(out, tag);
      put16(out, e.type);
      put32(out, e.count);
      if (e.isRaw) {
        put32(out, e.rawValue);
        continue;
      }
      std::vector<std::uint8_t> values;
      for (std::uint32_t v : e.values) {
        if (e.type == 1) values.push_back(static_cast<std::uint8_t>(v));
        else if (e.type == 3) put16(values, static_cast<std::uint16_t>(v));
        else put32(values, v);
      }
      if (values.size() <= 4) {
        values.resize(4, 0);
        out.insert(out.end(), values.begin(), values.end());
      } else {
        put32(out, extra + static_cast<std::uint32_t>(extraBytes.size()));
        extraBytes.insert(extraBytes.end(), values.begin(), values.end());
      }
    }
    put32(out, 0);  // no next directory
    out.insert(out.end(), extraBytes.begin(), extraBytes.end());
    return out;
  }

 private:
  struct Entry {
    std::uint16_t type;
    std::uint32_t count;
    std::vector<std::uint32_t> values;
    bool isRaw;
    std::uint32_t rawValue;
  };
  void put16(std::vector<std::uint8_t>& v, std::uint16_t x) const {
    if (bigEndian_) {
      v.push_back(static_cast<std::uint8_t>(x >> 8));
      v.push_back(static_cast<std::uint8_t>(x));
    } else {
      v.push_back(static_cast<std::uint8_t>(x));
      v.push_back(static_cast<std::uint8_t>(x >> 8));
    }
  }
  void put32(std::vector<std::uint8_t>& v, std::uint32_t x) const {
    if (bigEndian_) {
      put16(v, static_cast<std::uint16_t>(x >> 16));
      put16(v, static_cast<std::uint16_t>(x));
    } else {
      put16(v, static_cast<std::uint16_t>(x));
      put16(v, static_cast<std::uint16_t>(x >> 16));
    }
  }

  bool bigEndian_;
  std::vector<std::uint8_t> data_;
  std::map<std::uint16_t, Entry> entries_;
};

// An uncompressed image in one strip with the usual tags; tests change or remove tags after.
inline TiffBuilder SimpleTiff(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                              std::uint32_t samples, std::uint32_t photometric,
                              const std::vector<std::uint8_t>& strip, bool bigEndian = false) {
  TiffBuilder b(bigEndian);
  const std::uint32_t at = b.addData(strip);
  b.tag(256, 4, {width}).tag(257, 4, {height}).tag(258, 3, {bits}).tag(259, 3, {1});
  b.tag(262, 3, {photometric}).tag(273, 4, {at}).tag(277, 3, {samples});
  b.tag(278, 4, {height}).tag(279, 4, {static_cast<std::uint32_t>(strip.size())});
  return b;
}

// ---- Source pictures ------------------------------------------------------------------------

// A PBM (P4), PGM (P5, 8 or 16 bits), PPM (P6) or CMYK PAM (P7) picture; samples interleaved.
// For P4, 1 = black as the file has it.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 0;
  int maxval = 0;
  std::vector<std::uint16_t> samples;
  std::uint16_t at(int x, int y, int c) const { return samples[(y * width + x) * channels + c]; }
};

inline Picture ReadPicture(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  Picture p;
  std::size_t pos = 0;
  auto token = [&]() {
    std::string t;
    while (pos < bytes.size()) {
      char ch = static_cast<char>(bytes[pos]);
      if (ch == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (std::isspace(static_cast<unsigned char>(ch))) {
        if (!t.empty()) break;
        ++pos;
      } else {
        t += ch;
        ++pos;
      }
    }
    return t;
  };
  const std::string magic = token();
  if (magic == "P7") {
    std::string key;
    while ((key = token()) != "ENDHDR" && !key.empty()) {
      std::string value = token();
      if (key == "WIDTH") p.width = std::stoi(value);
      else if (key == "HEIGHT") p.height = std::stoi(value);
      else if (key == "DEPTH") p.channels = std::stoi(value);
      else if (key == "MAXVAL") p.maxval = std::stoi(value);
    }
  } else {
    p.width = std::stoi(token());
    p.height = std::stoi(token());
    p.maxval = magic == "P4" ? 1 : std::stoi(token());
    p.channels = magic == "P6" ? 3 : 1;
  }
  ++pos;  // the single whitespace byte before the raster
  const std::size_t count = std::size_t(p.width) * p.height * p.channels;
  p.samples.resize(count);
  if (magic == "P4") {
    const std::size_t rowBytes = (p.width + 7) / 8;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        p.samples[y * p.width + x] = (bytes[pos + y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
  } else if (p.maxval > 255) {
    for (std::size_t i = 0; i < count; ++i)
      p.samples[i] = static_cast<std::uint16_t>(bytes[pos + 2 * i] << 8 | bytes[pos + 2 * i + 1]);
  } else {
    for (std::size_t i = 0; i < count; ++i) p.samples[i] = bytes[pos + i];
  }
  return p;
}

// ---- Running the dispatch -------------------------------------------------------------------

// Opens and reads `path` as the shell would; the messages shown stay in t.ui.
inline bool OpenPath(TestRuntime& t, RasterImage& image, const std::string& path) {
  image.inputName = path;
  chooseFormatByName(image, path);
  return openInputImage(image, t.rt, false);
}

// Writes `bytes` to a file named `name` in the scratch folder and opens it.
inline bool OpenBytes(TestRuntime& t, RasterImage& image, const std::vector<std::uint8_t>& bytes,
                      const std::string& name = "input.tif") {
  const std::string path = t.scratchFolder + name;
  // A fresh file each time: truncating one in place makes some file systems flush it on close.
  std::remove(path.c_str());
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  return OpenPath(t, image, path);
}

// Reads `bytes` through an in-memory file, by signature, without touching the disk.
inline bool ReadMemory(TestRuntime& t, RasterImage& image, const std::vector<std::uint8_t>& bytes) {
  releaseImage(image, t.rt);
  image.fileHandle = ::memfd_create("tiff-test", MFD_CLOEXEC);
  if (image.fileHandle < 0 ||
      platform::WriteBytes(image.fileHandle, bytes.data(), bytes.size()) != bytes.size()) {
    return false;
  }
  image.sourceFormat = kSourceBySignature;
  return readImage(image, t.rt);
}

// The one message shown, or "" when none or several were.
inline std::string OnlyMessage(const TestRuntime& t) {
  return t.ui.messages().size() == 1 ? t.ui.messages()[0] : std::string();
}

inline std::string Text(int number) { return std::string(msg::Text(number)); }

// The colour layer as it stands, row by row.
inline std::vector<std::uint8_t> ColorBytes(const RasterImage& image) {
  const std::uint8_t* p = image.colorLayer.data();
  return std::vector<std::uint8_t>(p, p + std::size_t(image.colorRowBytes) * image.height);
}

// Every colour row through readColorSpan (from memory or from the file), without the
// repeated last pixel.
inline std::vector<std::uint8_t> ColorRowsBySpan(const RasterImage& image) {
  std::vector<std::uint8_t> all;
  std::vector<std::uint8_t> row(std::size_t(image.colorRowBytes) + image.samplesPerPixel);
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (!readColorSpan(image, 0, y, image.colorRowBytes, row.data())) return {};
    all.insert(all.end(), row.begin(), row.begin() + image.colorRowBytes);
  }
  return all;
}

}  // namespace vl::image::testing
