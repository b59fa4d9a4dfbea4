// The metafile the writer records: the header after the last record, the device path of each
// path at the reference device's scale, and what each kind of paint records.
#include <gtest/gtest.h>

#include <algorithm>

#include "art/display_color.h"
#include "tests/art/emf/emf_test_env.h"

namespace vl::art::test {
namespace {

using platform::EmfRecordType;

std::vector<std::uint32_t> Sequence(std::initializer_list<EmfRecordType> types) {
  std::vector<std::uint32_t> out;
  for (EmfRecordType t : types) out.push_back(T(t));
  return out;
}

std::uint32_t ColorRef(Rgb c) { return c.r | c.g << 8 | c.b << 16; }

TEST(EmfMetafile, HeaderAndDevicePathsDescribeTheArt) {
  EmfEnv env;
  env.source.inputName = "C:\\scans\\p\xC3\xA1ge 1.tif";  // UTF-8 in, UTF-16 out
  env.paint(PaintType::Black, PaintType::None);
  env.begin({3, 6});
  env.curveTo({9, 6}, {12, 9}, {12, 15});
  env.lineTo({3, 6});
  env.linePath({{30, 30}});  // a lone anchor: a move and nothing else
  env.art.count = 3;         // the next slot, an empty path, is skipped
  MetafileResult result = MetafileResult::Failed;
  const std::string file = ReadWholeFile(env.write("shape.emf", &result));
  ASSERT_EQ(result, MetafileResult::Complete);
  const std::vector<EmfRecordView> records = ParseRecords(file);
  ASSERT_EQ(records.size(), 21u);

  const EmfRecordView& h = records[0];  // offsets count from the end of type and size
  EXPECT_EQ(h.type, 1u);
  EXPECT_EQ(U32(h.body, 32), 0x464D4520u);  // " EMF"
  EXPECT_EQ(U32(h.body, 40), file.size());
  EXPECT_EQ(U32(h.body, 44), records.size());
  EXPECT_EQ(U32(h.body, 48), 2u);    // handles: the reserved index and a reused slot
  EXPECT_EQ(I32(h.body, 24), 2116);  // frame: the true width, 60 / 72 inch
  EXPECT_EQ(I32(h.body, 28), 1693);  // 48 / 72 inch
  EXPECT_EQ((std::vector<std::int32_t>{I32(h.body, 64), I32(h.body, 68), I32(h.body, 72),
                                       I32(h.body, 76)}),
            (std::vector<std::int32_t>{1920, 1440, 508, 381}));
  EXPECT_EQ(U32(h.body, 52), 28u);  // description units, at offset 108
  std::u16string description;
  for (std::size_t i = 0; i < 28; ++i)
    description += char16_t(h.body[100 + 2 * i] | h.body[101 + 2 * i] << 8);
  EXPECT_EQ(description, std::u16string(u"Morvo Vectorlume\0p\u00E1ge 1.tif\0", 28));

  // Pixel p lies at ((p x 256) x (87381 >> 8)) >> 16 on the device: 96 device pixels an inch.
  auto d = [](int p) { return std::int32_t((std::int64_t(p) * 256 * 341) >> 16); };
  EXPECT_EQ(Types(records), Sequence({EmfRecordType::Header,
                                      EmfRecordType::SetPolyFillMode,
                                      EmfRecordType::CreateBrushIndirect,
                                      EmfRecordType::SelectObject,
                                      EmfRecordType::BeginPath,
                                      EmfRecordType::MoveToEx,
                                      EmfRecordType::PolyBezierTo,
                                      EmfRecordType::LineTo,
                                      EmfRecordType::EndPath,
                                      EmfRecordType::FillPath,
                                      EmfRecordType::SelectObject,
                                      EmfRecordType::DeleteObject,
                                      EmfRecordType::CreateBrushIndirect,
                                      EmfRecordType::SelectObject,
                                      EmfRecordType::BeginPath,
                                      EmfRecordType::MoveToEx,
                                      EmfRecordType::EndPath,
                                      EmfRecordType::FillPath,
                                      EmfRecordType::SelectObject,
                                      EmfRecordType::DeleteObject,
                                      EmfRecordType::Eof}));
  EXPECT_EQ(U32(records[1].body, 0), platform::kFillWinding);
  EXPECT_EQ(records[5].body,
            (std::vector<std::uint8_t>{std::uint8_t(d(3)), 0, 0, 0, std::uint8_t(d(6)), 0, 0, 0}));
  const std::vector<std::uint8_t>& bezier = records[6].body;
  EXPECT_EQ((std::vector<std::int32_t>{I32(bezier, 0), I32(bezier, 4), I32(bezier, 8),
                                       I32(bezier, 12), I32(bezier, 16), I32(bezier, 20),
                                       I32(bezier, 24), I32(bezier, 36), I32(bezier, 40)}),
            (std::vector<std::int32_t>{d(3), d(6), d(12), d(15), 3, d(9), d(6), d(12), d(15)}));
  EXPECT_EQ(I32(records[7].body, 0), d(3));
  EXPECT_EQ(I32(records[9].body, 8), d(12));  // the fill's bounds
  EXPECT_EQ(U32(records[10].body, 0), platform::kStockWhiteBrush);
  EXPECT_EQ(ReadWholeFile(env.write("again.emf")), file);  // the same art, the same bytes
}

TEST(EmfMetafile, FrameZoomAndPenWidthFollowTheImageAndTheDevice) {
  platform::EmfRect frame = MetafileFrame(600, 300, 100.0, 100.0);
  EXPECT_EQ((std::vector<std::int32_t>{frame.left, frame.top, frame.right, frame.bottom}),
            (std::vector<std::int32_t>{0, 0, 15240, 7620}));
  EXPECT_EQ(MetafileFrame(1, 7, 300.0, 72.0).bottom, 246);  // 246.9, truncated
  ArtImageInfo image;
  image.xResolution = 96.0;
  image.yResolution = 72.0;
  image.artScale = 32.0;
  MetafileZoom zoom = ComputeMetafileZoom(image, platform::kHeadlessReferenceScreen);
  EXPECT_EQ(zoom.zoomX, 65536);  // exactly one device pixel per pixel, not 65535
  EXPECT_EQ(zoom.zoomY, 87381);
  EXPECT_EQ(zoom.artScaleShift, 5);
  EXPECT_EQ(ComputeMetafileZoom(image, {{1024, 768}, {270, 203}}).zoomX, 65762);  // 1.00346
  // Tenths of a point to device pixels, rounded, at least one.
  EXPECT_EQ(MetafilePenWidth(0, 87381, 72.0), 1);
  EXPECT_EQ(MetafilePenWidth(10, 87381, 72.0), 1);  // 1.33
  EXPECT_EQ(MetafilePenWidth(12, 87381, 72.0), 2);  // 1.6
  EXPECT_EQ(MetafilePenWidth(255, 87381, 72.0), 34);
  EXPECT_EQ(MetafilePenWidth(30, 20971, 300.0), 4);  // 3 points at 300 pixels per inch
  EXPECT_EQ(PictureName("/scans/in.tif"), "in.tif");
  EXPECT_EQ(PictureName("plain.tif"), "plain.tif");
}

TEST(EmfMetafile, EachPaintRecordsItsBrushPenAndPaintOperation) {
  EmfEnv env;
  env.paint(PaintType::None, PaintType::Black, kBlackColor, 1.0);
  env.linePath({{2, 2}, {20, 2}});
  PathRecord& path = env.art.paths[0];
  path.flags |= kUnfilled;  // a Black stroke of weight 10 and no fill: one StrokePath
  auto body = [&](const char* name) {
    std::vector<EmfRecordView> r = env.records(name);
    return std::vector<EmfRecordView>(r.begin() + 2, r.end() - 1);
  };
  std::vector<EmfRecordView> r = body("stroke.emf");
  EXPECT_EQ(Types(r),
            Sequence({EmfRecordType::CreatePen, EmfRecordType::SelectObject,
                      EmfRecordType::BeginPath, EmfRecordType::MoveToEx, EmfRecordType::LineTo,
                      EmfRecordType::EndPath, EmfRecordType::StrokePath,
                      EmfRecordType::SelectObject, EmfRecordType::DeleteObject}));
  EXPECT_EQ((std::vector<std::uint32_t>{U32(r[0].body, 4), U32(r[0].body, 8), U32(r[0].body, 16)}),
            (std::vector<std::uint32_t>{0, 1, 0}));  // cosmetic, 1 pixel, black
  EXPECT_EQ(U32(r[7].body, 0), platform::kStockBlackPen);

  path.flags = 0;  // Process fill, no stroke: FillPath only, in the CMYK word's screen colour
  path.fillType = PaintType::Process;
  path.fillColor = 0x000000FF;
  path.strokeType = PaintType::None;
  r = body("fill.emf");
  EXPECT_EQ(Types(r),
            Sequence({EmfRecordType::CreateBrushIndirect, EmfRecordType::SelectObject,
                      EmfRecordType::BeginPath, EmfRecordType::MoveToEx, EmfRecordType::LineTo,
                      EmfRecordType::EndPath, EmfRecordType::FillPath, EmfRecordType::SelectObject,
                      EmfRecordType::DeleteObject}));
  EXPECT_EQ(U32(r[0].body, 8), ColorRef(displayColor(0x000000FF)));

  // Both: StrokeAndFillPath. White ignores the colour word; Black keeps only its black ink.
  path.fillType = PaintType::White;
  path.fillColor = kBlackColor;
  path.strokeType = PaintType::Black;
  path.strokeColor = 0x80FFFFFF;
  path.strokeWeight = 30;  // 4 device pixels: a geometric pen
  r = body("both.emf");
  std::vector<std::uint32_t> types = Types(r);
  EXPECT_EQ(std::count(types.begin(), types.end(), T(EmfRecordType::StrokeAndFillPath)), 1);
  EXPECT_EQ(std::count(types.begin(), types.end(), T(EmfRecordType::DeleteObject)), 2);
  EXPECT_EQ(U32(r[0].body, 8), 0xFFFFFFu);
  EXPECT_EQ((std::vector<std::uint32_t>{U32(r[2].body, 4), U32(r[2].body, 8), U32(r[2].body, 16)}),
            (std::vector<std::uint32_t>{0x10000, 4, ColorRef(displayColor(0x80000000))}));

  path.fillType = PaintType::None;  // painted neither way: nothing at all
  path.strokeType = PaintType::None;
  EXPECT_TRUE(body("none.emf").empty());
}

}  // namespace
}  // namespace vl::art::test
