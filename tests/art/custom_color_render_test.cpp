// Art painted with custom colours at several strengths, as written to EPS, rendered by
// Ghostscript: every strength gives the ink it names, and the header lists the table.
#include <gtest/gtest.h>

#include "art/custom_color_table.h"
#include "tests/art/writer_test_env.h"
#include "tests/support/external_renderers.h"

namespace vl::art::test {
namespace {

TEST(CustomColorRender, TintsRenderAtTheirStrength) {
  if (!test_support::ToolAvailable("gs")) GTEST_SKIP() << "needs Ghostscript (gs)";
  SaveEnv env;
  env.colors = {{"Paper", 0, 0, 0, 0}, {"Ink", 0, 0, 0, 255}};
  struct Box {
    std::uint16_t index;
    std::uint8_t tint;
    double left;
    int gray;  // expected, 0 black .. 255 white
  };
  const Box boxes[] = {{1, 255, 2, 0}, {1, 128, 14, 128}, {1, 51, 26, 204}, {1, 0, 38, 255},
                       {0, 255, 50, 255}};
  env.paint(PaintType::Black, PaintType::None);
  env.linePath({{0, 0}, {64, 0}, {64, 20}, {0, 20}, {0, 0}});  // black ground under the paper
  for (const Box& b : boxes) {
    env.paint(PaintType::Custom, PaintType::None, kBlackColor);
    env.art.pen.customIndex = b.index;
    env.art.pen.tint = b.tint;
    env.linePath({{b.left, 24}, {b.left + 10, 24}, {b.left + 10, 44}, {b.left, 44}, {b.left, 24}});
  }
  for (int format : {kFormatGq3, kFormatGq5}) {
    SCOPED_TRACE(format);
    const Lines lines = env.saveLines(format, kPreviewHeader, "tints.eps");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "%%+ 0 0 0 1 (Ink)"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "0 0 0 1 (Ink) 0.5 x"), lines.end());
    const PageScale page = computePageScale(env.image, format);
    const auto rendered = test_support::RenderEpsWithGhostscript(
        env.folder.path + "tints.eps", env.image.paddedWidth, env.image.height,
        page.pointsPerPixelX, page.pointsPerPixelY, env.folder.path);
    ASSERT_TRUE(rendered.has_value());
    EXPECT_NEAR(rendered->at(30, 10), 0, 8);  // the ground
    for (const Box& b : boxes)
      EXPECT_NEAR(rendered->at(int(b.left) + 5, 34), b.gray, 8) << "tint " << int(b.tint);
  }
}

}  // namespace
}  // namespace vl::art::test
