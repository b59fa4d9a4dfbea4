// Shared pieces of the metafile tests: the art written through the metafile writer or the
// save driver, and the file taken apart into its records.
#pragma once

#include <gtest/gtest.h>

#include "art/emf_writer.h"
#include "art/save_art.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {

using platform::EmfRecordType;

struct EmfRecordView {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> body;  // the bytes after type and size
};

inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
inline std::int32_t I32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::int32_t(U32(b, at));
}
inline std::uint32_t T(EmfRecordType type) { return std::uint32_t(type); }

// The records of a metafile; fails the test unless whole records fill the file exactly.
inline std::vector<EmfRecordView> ParseRecords(const std::string& file) {
  std::vector<EmfRecordView> records;
  const std::vector<std::uint8_t> bytes(file.begin(), file.end());
  std::size_t at = 0;
  for (std::uint32_t size; at + 8 <= bytes.size(); at += size) {
    size = U32(bytes, at + 4);
    if (size < 8 || size % 4 != 0 || at + size > bytes.size()) break;
    records.push_back(
        {U32(bytes, at), {bytes.begin() + long(at) + 8, bytes.begin() + long(at + size)}});
  }
  EXPECT_EQ(at, bytes.size()) << "the records do not fill the file";
  return records;
}

inline std::vector<std::uint32_t> Types(const std::vector<EmfRecordView>& records) {
  std::vector<std::uint32_t> types;
  for (const EmfRecordView& r : records) types.push_back(r.type);
  return types;
}

struct EmfEnv : WriterEnv {                        // 64 x 48 pixels at 72 per inch, artScale 256
  MetafileSource source{60, "/scans/page 1.tif"};  // the padded width is 64
  SaveArtOptions options;
  bool modified = true;
  EmfEnv() {
    options.format = kFormatEmf;
    options.metafile = source;
  }
  // The art through the metafile writer alone, on the headless screen; the file's path.
  std::string write(const std::string& name, MetafileResult* result = nullptr) {
    std::string path = folder.path + name;
    platform::FileHandle file = platform::CreateFile(path);
    {
      OutputBuffer out(rt, file, false);
      MetafileResult r = out.allocate()
                             ? WriteEmfArt(rt, out, file, art, image, source,
                                           platform::kHeadlessReferenceScreen, false, "Saving: ")
                             : MetafileResult::Failed;
      if (result) *result = r;
    }
    platform::CloseFile(file);
    return path;
  }
  std::vector<EmfRecordView> records(const std::string& name) {
    return ParseRecords(ReadWholeFile(write(name)));
  }
  bool save(engine::Runtime& through, const std::string& path) {
    return saveArt(through, art, image, colors, path, options, modified);
  }
};

}  // namespace vl::art::test
