// The SVG writer's text and its paint colours.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/message_table.h"
#include "art/svg_writer.h"
#include "tests/art/writer_test_env.h"

namespace vl::art::test {
namespace {

TEST(WriterSvg, PathsBecomeElementsInPixelsOnAPageInPoints) {
  WriterEnv env;
  env.image.outputName = "a <b> & c";
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{10, 10}, {20, 10}, {20, 20}, {10, 10}});
  env.paint(PaintType::None, PaintType::Process, 0x00FF00FF, 1.5);  // cyan and yellow: green
  env.begin({1, 2});
  env.curveTo({3, 4}, {5, 6}, {7.5, 8});
  env.art.paths[1].flags |= kGrouped | kUnfilled;
  env.paint(PaintType::None, PaintType::None);  // painted neither way: left out
  env.linePath({{1, 1}, {2, 2}});
  std::string path = env.folder.path + "art.svg";
  ASSERT_TRUE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
  EXPECT_EQ(ReadWholeFile(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"64pt\" "
            "height=\"48pt\" viewBox=\"0 0 64 48\" fill-rule=\"nonzero\" "
            "stroke-linecap=\"square\" stroke-linejoin=\"miter\" stroke-miterlimit=\"2\">\n"
            "<title>a &lt;b&gt; &amp; c</title>\n"
            "<path d=\"M10 10 L20 10 L20 20 L10 10 Z\" fill=\"#000000\" stroke=\"none\"/>\n"
            "<g>\n"
            "<path d=\"M1 2 C3 4 5 6 7.5 8\" fill=\"none\" stroke=\"#00ff00\" "
            "stroke-width=\"1.5\"/>\n"
            "</g>\n"
            "</svg>\n");

  // At 300 pixels per inch the page shrinks and a point spans more pixels.
  env.image.xResolution = env.image.yResolution = 300.0;
  ASSERT_TRUE(saveSvg(env.rt, env.art, env.image, env.colors, path, false));
  std::string text = ReadWholeFile(path);
  EXPECT_NE(text.find("width=\"16pt\" height=\"12pt\" viewBox=\"0 0 64 48\""), std::string::npos);
  EXPECT_NE(text.find("stroke-width=\"6.25\""), std::string::npos);

  EXPECT_FALSE(saveSvg(env.rt, env.art, env.image, env.colors, "/dev/full", true));
  EXPECT_EQ(env.ui.messages(),
            std::vector<std::string>{std::string(msg::Text(msg::kScratchDiskFull))});
}

TEST(WriterSvg, PaintColoursSubtractInksFromWhite) {
  CustomColorList colors = {{"Red", 0, 255, 255, 0, false}};
  auto color = [&](PaintType type, std::uint32_t packed, std::uint16_t index = 0,
                   std::uint8_t tint = 255) {
    SvgColor c;
    if (!SvgPaintColor(type, packed, index, tint, colors, c)) return std::string("none");
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", c.r, c.g, c.b);
    return std::string(hex);
  };
  EXPECT_EQ(color(PaintType::None, kBlackColor), "none");
  EXPECT_EQ(color(PaintType::White, kBlackColor), "ffffff");
  EXPECT_EQ(color(PaintType::Black, 0x40000000), "bfbfbf");  // a quarter black ink
  // Cyan 200 plus black 100 saturates red; magenta 0 plus black 100 leaves 155 green.
  EXPECT_EQ(color(PaintType::Process, 0x640000C8), "009b9b");
  EXPECT_EQ(color(PaintType::Custom, 0, 0, 255), "ff0000");
  EXPECT_EQ(color(PaintType::Custom, 0, 0, 128), "ff7f7f");  // half strength
  EXPECT_EQ(color(PaintType::Custom, 0x000000FF, 7, 255), "00ffff");  // not in the table
}

}  // namespace
}  // namespace vl::art::test
