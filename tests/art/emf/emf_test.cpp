// Metafiles: the header, device paths at the reference device's scale and the records of each
// paint; a target that cannot seek back to its header; a stop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "art/emf_writer.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/stop_on_drain_ui.h"

namespace vl::art::test {
namespace {

using platform::EmfRecordType;
using RecordTypes = std::vector<EmfRecordType>;
using Bytes = std::vector<std::uint8_t>;

// A metafile taken apart: the types of its records, and each one's bytes after type and size.
struct Records {
  RecordTypes types;
  std::vector<Bytes> bodies;
};

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
// Signed 32-bit values at byte offsets `at` of a record body.
std::vector<std::int32_t> I32s(const Bytes& b, std::initializer_list<std::size_t> at) {
  std::vector<std::int32_t> out;
  for (std::size_t a : at) out.push_back(std::int32_t(U32(b, a)));
  return out;
}

// The records of a metafile; fails the test unless whole records fill the file exactly.
Records ParseRecords(const std::string& file) {
  Records records;
  const Bytes bytes(file.begin(), file.end());
  std::size_t at = 0;
  for (std::uint32_t size; at + 8 <= bytes.size(); at += size) {
    size = U32(bytes, at + 4);
    if (size < 8 || size % 4 != 0 || at + size > bytes.size()) break;
    records.types.push_back(EmfRecordType(U32(bytes, at)));
    records.bodies.emplace_back(bytes.begin() + long(at) + 8, bytes.begin() + long(at + size));
  }
  EXPECT_EQ(at, bytes.size()) << "the records do not fill the file";
  return records;
}

struct EmfEnv : SaveEnv {  // 64 x 48 pixels at 72 per inch, artScale 256; the true width is 60
  EmfEnv() { options.format = kFormatEmf, options.metafile = {60, "/scans/page 1.tif"}; }
  // The bytes of the art saved through the save driver; none when the save failed.
  std::string write(const std::string& name) {
    return save(folder.path + name) ? ReadWholeFile(folder.path + name) : "";
  }
};

TEST(EmfMetafile, HeaderDevicePathsAndPaintsDescribeTheArt) {
  using enum EmfRecordType;
  using enum PaintType;
  EmfEnv env;
  env.options.metafile.inputName = "C:\\scans\\p\xC3\xA1ge 1.tif";  // UTF-8 in, UTF-16 out
  env.begin({3, 6});  // Black fill: a brush, FillPath
  env.curveTo({9, 6}, {12, 9}, {12, 15});
  env.lineTo({3, 6});
  env.paint(None, Black, kBlackColor, 0.0);  // weight 0: a cosmetic pen 1 pixel wide
  env.linePath({{2, 2}, {20, 2}});
  env.paint(Process, None, 0x000000FF);  // a lone anchor, in the screen colour of cyan
  env.linePath({{30, 30}});
  // Both: White ignores the colour word, Black keeps its black ink; 3 points are 50 device units.
  env.paint(White, Black, 0x80FFFFFF, 3.0);
  env.linePath({{2, 40}, {20, 40}});
  env.paint(None, None);  // painted neither way: nothing at all
  env.linePath({{2, 2}, {20, 40}});
  env.art.count = 6;  // the next slot, an empty path, is skipped
  const std::string file = env.write("shape.emf");
  const Records records = ParseRecords(file);
  ASSERT_EQ(records.types,
            (RecordTypes{Header, SetPolyFillMode, CreateBrushIndirect, SelectObject, BeginPath,
                         MoveToEx, PolyBezierTo, LineTo, EndPath, FillPath, SelectObject,
                         DeleteObject, CreatePen, SelectObject, BeginPath, MoveToEx, LineTo,
                         EndPath, StrokePath, SelectObject, DeleteObject, CreateBrushIndirect,
                         SelectObject, BeginPath, MoveToEx, EndPath, FillPath, SelectObject,
                         DeleteObject, CreateBrushIndirect, SelectObject, CreatePen, SelectObject,
                         BeginPath, MoveToEx, LineTo, EndPath, StrokeAndFillPath, SelectObject,
                         DeleteObject, SelectObject, DeleteObject, Eof}));
  const Bytes& h = records.bodies[0];  // offsets count from after type and size
  EXPECT_EQ(U32(h, 32), 0x464D4520u);                   // " EMF"
  EXPECT_EQ(U32(h, 40), file.size());
  EXPECT_EQ(U32(h, 44), records.types.size());
  EXPECT_EQ(U32(h, 48), 3u);  // handles: the reserved index, a brush and a pen at once
  // Frame in 0.01 mm from the true width (60 and 48 / 72 inch), then the reference device.
  EXPECT_EQ(I32s(h, {24, 28, 64, 68, 72, 76}),
            (std::vector<std::int32_t>{2116, 1693, 24000, 18000, 508, 381}));
  EXPECT_EQ(U32(h, 52), 28u);  // description units, at offset 108
  std::u16string description;
  for (std::size_t i = 100; i < 156; i += 2) description += char16_t(h[i] | h[i + 1] << 8);
  EXPECT_EQ(description, std::u16string(u"Morvo Vectorlume\0p\u00E1ge 1.tif\0", 28));
  // Pixel p lies at (p x 256) x 1092266 / 2^24 on the device, rounded: 1200 units an inch,
  // 16 2/3 a pixel at 72 pixels per inch.
  auto d = [](int p) {
    return std::int32_t((std::int64_t(p) * 256 * 1092266 + (1 << 23)) >> 24);
  };
  ASSERT_EQ(std::tuple(d(3), d(6), d(15)), std::tuple(50, 100, 250));
  EXPECT_EQ(U32(records.bodies[1], 0), platform::kFillWinding);
  EXPECT_EQ(records.bodies[5], (Bytes{std::uint8_t(d(3)), 0, 0, 0, std::uint8_t(d(6)), 0, 0, 0}));
  EXPECT_EQ(I32s(records.bodies[6], {0, 4, 8, 12, 16, 20, 24, 36, 40}),  // bounds, count, points
            (std::vector<std::int32_t>{d(3), d(6), d(12), d(15), 3, d(9), d(6), d(12), d(15)}));
  EXPECT_EQ(U32(records.bodies[7], 0), std::uint32_t(d(3)));
  EXPECT_EQ(U32(records.bodies[9], 8), std::uint32_t(d(12)));  // the fill's bounds
  EXPECT_EQ(U32(records.bodies[10], 0), platform::kStockWhiteBrush);
  // Pens: style, width, colour; brushes: colour; a pen gives way to the stock black pen.
  EXPECT_EQ(I32s(records.bodies[12], {4, 8, 16}), (std::vector<std::int32_t>{0, 1, 0}));
  EXPECT_EQ(U32(records.bodies[19], 0), platform::kStockBlackPen);
  EXPECT_EQ(U32(records.bodies[21], 8), 0xFFFF00u);
  EXPECT_EQ(U32(records.bodies[29], 8), 0xFFFFFFu);
  EXPECT_EQ(I32s(records.bodies[31], {4, 8, 16}),
            (std::vector<std::int32_t>{0x10000, 50, 0x7F7F7F}));
  EXPECT_EQ(env.write("again.emf"), file);  // the same art, the same bytes
}

TEST(EmfSave, TheDriverWritesTheMetafileAndFailsOrStopsCleanly) {
  EmfEnv env;
  env.linePath({{1, 1}, {30, 1}, {30, 20}, {1, 1}});
  ASSERT_TRUE(env.save(env.folder.path + "art.emf"));
  EXPECT_FALSE(env.modified);
  EXPECT_TRUE(env.ui.messages().empty());
  // A pipe takes the records but cannot go back for the header: the save fails, once.
  const std::string pipe = env.folder.path + "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(env.save(pipe));
  EXPECT_EQ(env.ui.messages(), Only(msg::kDiskFullOrLocked));
  EXPECT_TRUE(env.modified);
  struct stat info {};
  EXPECT_TRUE(stat(pipe.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));  // never replaced
  // A stop before the 31st path keeps a closed metafile of the paths so far, and says nothing.
  for (int i = 0; i < 60; ++i) env.linePath({{2, 2}, {9, 2}, {9, 9}, {2, 2}});
  test_support::StopOnDrainUi ui(31);
  base::Runtime stopping{ui, env.memory, env.state, env.app, env.folder.path};
  EXPECT_FALSE(env.save(env.folder.path + "stopped.emf", &stopping));
  EXPECT_TRUE(ui.messages().empty());
  const std::string file = ReadWholeFile(env.folder.path + "stopped.emf");
  const Records records = ParseRecords(file);
  ASSERT_FALSE(records.types.empty());
  EXPECT_EQ(records.types.back(), EmfRecordType::Eof);
  EXPECT_EQ(U32(records.bodies[0], 40), file.size());
  EXPECT_EQ(U32(records.bodies[0], 44), records.types.size());
  EXPECT_EQ(std::count(records.types.begin(), records.types.end(), EmfRecordType::FillPath), 30);
}

}  // namespace
}  // namespace vl::art::test
