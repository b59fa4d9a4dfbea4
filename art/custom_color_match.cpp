// The best custom colour for a shape.
#include "art/custom_color_match.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "art/custom_color_table.h"
#include "art/display_color.h"
#include "base/message_table.h"

namespace vl::art {

namespace {

std::array<std::uint8_t, 4> CandidateValue(const CustomColor& color, int percent, int components) {
  if (components == 4) {
    return {std::uint8_t(color.c * percent / 100), std::uint8_t(color.m * percent / 100),
            std::uint8_t(color.y * percent / 100), std::uint8_t(color.k * percent / 100)};
  }
  const Rgb rgb = displayColor(PackedColor(color));
  const auto towardWhite = [percent](int value) {
    return std::uint8_t(255 - percent * (255 - value) / 100);
  };
  return {towardWhite(rgb.r), towardWhite(rgb.g), towardWhite(rgb.b), 0};
}

}  // namespace

ColorCandidates MakeColorCandidates(const CustomColorList& colors,
                                    const ColorMatchOptions& options) {
  ColorCandidates candidates;
  candidates.components = options.samplesPerPixel == 4 ? 4 : 3;
  candidates.tints = options.tints;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    if (options.taggedOnly && !colors[i].tagged) continue;
    for (int step = options.tints ? 1 : kTintSteps; step <= kTintSteps; ++step) {
      candidates.values.push_back(
          CandidateValue(colors[i], step * 100 / kTintSteps, candidates.components));
      candidates.tableIndex.push_back(static_cast<std::uint16_t>(i));
    }
  }
  return candidates;
}

void VoteForPixel(const ColorCandidates& candidates, ColorVotes& votes,
                  const std::uint8_t* sample) {
  const int n = candidates.components;
  if (votes.counts.size() != candidates.values.size())
    votes.counts.assign(candidates.values.size(), 0);
  if (candidates.values.empty()) return;
  if (votes.previousChoice >= 0 && std::memcmp(votes.previous.data(), sample, n) == 0) {
    ++votes.counts[std::size_t(votes.previousChoice)];
    return;
  }
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t c = 0; c < candidates.values.size(); ++c) {
    int distance = 0;
    for (int i = 0; i < n; ++i) distance += std::abs(int(sample[i]) - int(candidates.values[c][i]));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = int(c);
    }
  }
  std::memcpy(votes.previous.data(), sample, n);
  votes.previousChoice = best;
  ++votes.counts[std::size_t(best)];
}

std::optional<CustomColorChoice> PickCustomColor(const ColorCandidates& candidates,
                                                 const ColorVotes& votes,
                                                 const CustomColorList& colors) {
  if (candidates.values.size() < 2 || votes.counts.size() != candidates.values.size())
    return std::nullopt;
  std::size_t best = 0;
  for (std::size_t c = 1; c < votes.counts.size(); ++c)
    if (votes.counts[c] > votes.counts[best]) best = c;
  if (votes.counts[best] == 0) return std::nullopt;
  CustomColorChoice choice;
  choice.customIndex = candidates.tableIndex[best];
  const CustomColor& color = colors[choice.customIndex];
  // Candidates of one colour run 10 % .. 100 %: the position among them gives the strength.
  const int percent = candidates.tints ? int(best % kTintSteps + 1) * 100 / kTintSteps : 100;
  choice.tint = static_cast<std::uint8_t>(percent * 255 / 100);
  CustomColor inks = color;
  std::tie(inks.c, inks.m, inks.y, inks.k) =
      std::tuple(std::uint8_t(color.c * percent / 100), std::uint8_t(color.m * percent / 100),
                 std::uint8_t(color.y * percent / 100), std::uint8_t(color.k * percent / 100));
  choice.fillColor = PackedColor(inks);
  return choice;
}

std::optional<CustomColorChoice> bestCustomColor(const CustomColorList& colors,
                                                 const ColorMatchOptions& options,
                                                 std::span<const std::uint8_t> pixels) {
  const ColorCandidates candidates = MakeColorCandidates(colors, options);
  ColorVotes votes;
  votes.counts.assign(candidates.values.size(), 0);
  const std::size_t step = std::size_t(options.samplesPerPixel == 4 ? 4 : 3);
  if (options.samplesPerPixel != 3 && options.samplesPerPixel != 4) return std::nullopt;
  for (std::size_t at = 0; at + step <= pixels.size(); at += step)
    VoteForPixel(candidates, votes, pixels.data() + at);
  return PickCustomColor(candidates, votes, colors);
}

void UseCustomColorChoice(Pen& pen, const CustomColorChoice& choice) {
  pen.color = choice.fillColor;
  pen.customIndex = choice.customIndex;
  pen.tint = choice.tint;
}

int CustomColorProgressMessage(bool tints) {
  return tints ? msg::kFindingCustomTint : msg::kFindingCustomColor;
}

}  // namespace vl::art
