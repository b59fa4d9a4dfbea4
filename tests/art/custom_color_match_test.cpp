// The best custom colour for a shape: votes by nearest candidate (screen colours for RGB
// images, inks for CMYK), tints, tagged colours only, and the ties.
#include <gtest/gtest.h>

#include <vector>

#include "art/custom_color_match.h"
#include "art/custom_color_table.h"
#include "art/display_color.h"
#include "base/message_table.h"

namespace vl::art::test {
namespace {

using Pixels = std::vector<std::uint8_t>;

// `count` copies of one pixel appended.
void Repeat(Pixels& pixels, std::initializer_list<std::uint8_t> sample, int count) {
  for (int i = 0; i < count; ++i) pixels.insert(pixels.end(), sample);
}

const CustomColorList kThree = {
    {"Red", 0, 255, 255, 0}, {"Blue", 255, 128, 0, 0}, {"Gray", 0, 0, 0, 128}};

TEST(BestCustomColor, ThirtyPercentOfTheSecondColourOnACmykImage) {
  // 30 % of Blue: inks 76, 38, 0, 0; a few pixels of plain Red around it.
  Pixels pixels;
  Repeat(pixels, {76, 38, 0, 0}, 40);
  Repeat(pixels, {0, 255, 255, 0}, 10);
  Repeat(pixels, {80, 40, 3, 1}, 5);  // near it, not on it
  const auto choice = bestCustomColor(kThree, {false, true, 4}, pixels);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->customIndex, 1);
  EXPECT_EQ(choice->tint, 76);  // 30 x 255 / 100
  EXPECT_EQ(choice->fillColor, 76u | 38u << 8);
}

TEST(BestCustomColor, ThirtyPercentOfTheSecondColourOnAnRgbImage) {
  // The candidate is Blue's screen colour taken 70 % of the way to white.
  const Rgb blue = displayColor(PackedColor(kThree[1]));
  const auto light = [](int v) { return std::uint8_t(255 - 30 * (255 - v) / 100); };
  Pixels pixels;
  Repeat(pixels, {light(blue.r), light(blue.g), light(blue.b)}, 30);
  Repeat(pixels, {255, 0, 0}, 20);
  const auto choice = bestCustomColor(kThree, {false, true, 3}, pixels);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->customIndex, 1);
  EXPECT_EQ(choice->tint, 76);
  // Without tints the same pixels pick a full colour, at full strength.
  const auto full = bestCustomColor(kThree, {false, false, 3}, pixels);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->tint, 255);
  EXPECT_EQ(full->fillColor, PackedColor(kThree[full->customIndex]));
}

TEST(BestCustomColor, MostVotesWinAndTheFirstWinsTies) {
  struct Case {
    const char* label;
    int reds, grays;
    int expected;
  };
  for (const Case& c : {Case{"more gray", 3, 7, 2}, Case{"more red", 7, 3, 0},
                        Case{"equal counts", 5, 5, 0}}) {
    Pixels pixels;
    for (int i = 0; i < c.grays; ++i) Repeat(pixels, {0, 0, 0, 120}, 1);
    for (int i = 0; i < c.reds; ++i) Repeat(pixels, {0, 250, 250, 0}, 1);
    const auto choice = bestCustomColor(kThree, {false, false, 4}, pixels);
    ASSERT_TRUE(choice) << c.label;
    EXPECT_EQ(choice->customIndex, c.expected) << c.label;
  }
  // A pixel as far from two candidates goes to the first of them.
  const CustomColorList twins = {{"Dark", 0, 0, 0, 100}, {"Darker", 0, 0, 0, 200}};
  const auto tie = bestCustomColor(twins, {false, false, 4}, Pixels{0, 0, 0, 150});
  ASSERT_TRUE(tie);
  EXPECT_EQ(tie->customIndex, 0);
}

TEST(BestCustomColor, TaggedOnlyMapsBackToTheTableIndex) {
  CustomColorList colors = kThree;
  colors.insert(colors.begin(), {"Untagged black", 0, 0, 0, 255});
  colors[2].tagged = colors[3].tagged = true;  // Blue and Gray
  Pixels pixels;
  Repeat(pixels, {0, 0, 0, 250}, 10);  // black: not a candidate, Gray is nearest
  const auto choice = bestCustomColor(colors, {true, false, 4}, pixels);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->customIndex, 3);
  const auto any = bestCustomColor(colors, {false, false, 4}, pixels);
  ASSERT_TRUE(any);
  EXPECT_EQ(any->customIndex, 0);
}

TEST(BestCustomColor, NothingWithoutTwoCandidatesOrPixels) {
  CustomColorList one = {kThree[0]};
  EXPECT_FALSE(bestCustomColor(one, {false, false, 4}, Pixels{1, 2, 3, 4}));
  // One colour with tints is ten candidates: a choice.
  EXPECT_TRUE(bestCustomColor(one, {false, true, 4}, Pixels{0, 128, 128, 0}));
  EXPECT_FALSE(bestCustomColor(kThree, {true, false, 4}, Pixels{1, 2, 3, 4}));  // none tagged
  EXPECT_FALSE(bestCustomColor(kThree, {false, false, 4}, Pixels{}));
  EXPECT_FALSE(bestCustomColor(kThree, {false, false, 1}, Pixels{1, 2, 3}));  // gray scale
}

TEST(BestCustomColor, VotesCountEveryPixelAlsoRepeatedOnes) {
  const ColorCandidates candidates = MakeColorCandidates(kThree, {false, true, 4});
  ASSERT_EQ(candidates.values.size(), 30u);
  EXPECT_EQ(candidates.tableIndex[10], 1);
  ColorVotes votes;
  const std::uint8_t a[4] = {0, 255, 255, 0}, b[4] = {0, 0, 0, 13};
  for (const std::uint8_t* p : {a, a, a, b, a}) VoteForPixel(candidates, votes, p);
  EXPECT_EQ(votes.counts[9], 4u);   // Red at 100 %
  EXPECT_EQ(votes.counts[20], 1u);  // Gray at 10 %: 12.8 -> 12, nearest to 13
  Pen pen;
  const auto choice = PickCustomColor(candidates, votes, kThree);
  ASSERT_TRUE(choice);
  UseCustomColorChoice(pen, *choice);
  EXPECT_EQ(pen.customIndex, 0);
  EXPECT_EQ(pen.tint, 255);
  EXPECT_EQ(pen.color, 0x00FFFF00u);
  EXPECT_EQ(CustomColorProgressMessage(true), msg::kFindingCustomTint);
  EXPECT_EQ(CustomColorProgressMessage(false), msg::kFindingCustomColor);
}

}  // namespace
}  // namespace vl::art::test
