// The named settings list and the edits the command line makes to it.
#include "settings/named_settings.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/message_table.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

std::string YesNo(bool on) {
  return std::string(msg::Text(on ? msg::kSummaryYes : msg::kSummaryNo));
}

// "%d%c%d": tenths with the decimal separator.
std::string Tenths(std::int32_t v, char separator) {
  const std::int32_t magnitude = v < 0 ? -v : v;
  std::string out = v < 0 ? "-" : "";
  out += std::to_string(magnitude / 10);
  out += separator;
  out += std::to_string(magnitude % 10);
  return out;
}

std::string Label(int message, const std::string& value) {
  return std::string(msg::Text(message)) + " " + value;
}

// A summary entry under its caption (appending: g++ 12 at -O3 misreads insertions).
std::string Indent(const std::string& text) {
  std::string out = "  ";
  out += text;
  return out;
}

}  // namespace

std::string_view NameOf(const ConversionSettings& s) {
  return {s.name, ::strnlen(s.name, sizeof s.name)};
}

void SetName(ConversionSettings& s, std::string_view name) {
  std::memset(s.name, 0, sizeof s.name);
  std::memcpy(s.name, name.data(), std::min(name.size(), kMaxSettingsNameChars));
}

ConversionSettings* appendSetting(NamedSettings& list) {
  try {
    list.emplace_back();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return &list.back();
}

const ConversionSettings* findSetting(const NamedSettings& list, std::string_view name) {
  for (const ConversionSettings& s : list)
    if (NameOf(s) == name) return &s;
  return nullptr;
}

ConversionSettings* findSetting(NamedSettings& list, std::string_view name) {
  return const_cast<ConversionSettings*>(findSetting(std::as_const(list), name));
}

void deleteSetting(NamedSettings& list, const ConversionSettings* record) {
  if (record < list.data() || record >= list.data() + list.size()) return;
  list.erase(list.begin() + (record - list.data()));
}

void sortSettings(NamedSettings& list) {
  // string_view compares as unsigned bytes, which is the byte order the list is shown in.
  std::stable_sort(list.begin(), list.end(),
                   [](const ConversionSettings& a, const ConversionSettings& b) {
                     return NameOf(a) < NameOf(b);
                   });
}

void ensureDefaults(NamedSettings& list) {
  if (!list.empty()) return;
  ConversionSettings defaults;
  setConversionDefaults(defaults);
  setColorDefaults(defaults);
  SetName(defaults, msg::Text(msg::kDefaultsName));
  list.push_back(defaults);
}

void selectStartupSetting(const Preferences& prefs, NamedSettings& list,
                          ConversionSettings& active) {
  if (list.empty()) return;
  const std::string_view wanted =
      (prefs.prefFlagsA & kRestoreSelectedSettings) != 0
          ? std::string_view(
                prefs.selectedSettingsName,
                ::strnlen(prefs.selectedSettingsName, sizeof prefs.selectedSettingsName))
          : msg::Text(msg::kDefaultsName);
  if (const ConversionSettings* found = findSetting(list, wanted)) active = *found;
}

SettingsEdit StoreSetting(NamedSettings& list, std::string_view name,
                          const ConversionSettings& values) {
  if (name.empty()) return {msg::kEnterName};
  if (name == msg::Text(msg::kNewOptionName)) return {msg::kNameReserved};
  if (name.size() > kMaxSettingsNameChars || name.find('\0') != std::string_view::npos)
    return {msg::kSettingsNameTooLong};
  if (name == msg::Text(msg::kDefaultsName)) return {msg::kCantChangeDefaults};
  ConversionSettings* record = findSetting(list, name);
  if (record == nullptr) {
    // A longer list would make the whole settings file unreadable at the next start.
    if (list.size() >= std::size_t(kMaxNamedSettings)) return {msg::kMaxSettings};
    record = appendSetting(list);
    if (record == nullptr) return {msg::kNotEnoughMemoryRestart};
  }
  *record = values;
  SetName(*record, name);
  sortSettings(list);
  return {};
}

SettingsEdit RemoveSetting(NamedSettings& list, std::string_view name) {
  if (name == msg::Text(msg::kDefaultsName)) return {msg::kCantDeleteDefaults};
  const ConversionSettings* record = findSetting(list, name);
  if (record == nullptr) return {msg::kNoSuchSetting};
  deleteSetting(list, record);
  return {};
}

std::vector<std::string> SettingsSummary(const ConversionSettings& s, char separator) {
  std::vector<std::string> lines;
  lines.emplace_back(msg::Text(msg::kConversionSetupCaption));
  std::string methods;
  for (const auto& [flag, label] :
       {std::pair{kMethodOutline, msg::kMethodOutline},
        std::pair{kMethodCenterline, msg::kMethodCenterline},
        std::pair{kMethodLineRecognition, msg::kMethodLineRecognition}}) {
    if (!s.has(flag)) continue;
    if (!methods.empty()) methods += ", ";
    methods += msg::Text(label);
  }
  lines.push_back(Indent(methods));
  lines.push_back(Indent(
      Label(msg::kSummaryNoiseSuppression, Tenths(s.noiseSuppression / 10, separator) + " " +
                                               std::string(msg::Text(msg::kSummaryPixels)))));
  lines.push_back(Indent(Label(msg::kSummaryLineThinning, Tenths(s.lineThinning / 10, separator))));
  lines.push_back(Indent(Label(msg::kSummaryInteractive, YesNo(s.has(kInteractiveThinning)))));
  lines.push_back(Indent(Label(msg::kSummaryTolerance, Tenths(s.tolerance, separator))));
  lines.push_back(Indent(Label(msg::kSummaryWhiteLines, YesNo(s.has(kWhiteLines)))));
  const int mode = std::clamp<int>(s.linesMode, kCurvedAndStraight, kStraightOnly);
  std::string linesMode(msg::Text(msg::kLinesModeFirst + mode));
  if (mode == kCurvedAndStraight) (linesMode += ' ') += Tenths(s.straightToCurved, separator);
  lines.push_back(Indent(linesMode));
  lines.push_back(Indent(
      Label(msg::kSummaryUniformWeight,
            s.has(kUniformLineWeight) ? Tenths(s.uniformWeight / 10, separator) : YesNo(false))));
  lines.push_back(Indent(Label(msg::kSummarySeparateShapes, YesNo(s.has(kSeparateShapes)))));
  lines.push_back(Indent(Label(msg::kSummaryReverseImage, YesNo(s.has(kReverseImage)))));

  lines.emplace_back(msg::Text(msg::kColorSetupCaption));
  const PosterizationMode posterization = DerivePosterizationMode(s, false);
  lines.push_back(
      Indent((posterization == PosterizationMode::kLimitedColors
                  ? msg::Format(msg::kSummaryColorCount, int(s.maxColors))
                  : std::string(msg::Text(msg::kPosterizationModeFirst + int(posterization))))));
  const int reduction = std::clamp<int>(s.noiseReduction, 0, 2);
  lines.push_back(Indent(Label(msg::kSummaryNoiseReduction,
                               std::string(msg::Text(msg::kNoiseReductionFirst + reduction)))));
  lines.push_back(Indent(Label(msg::kSummaryTaggedOnly, YesNo(s.has(kTaggedColorsOnly)))));
  lines.push_back(Indent(Label(msg::kSummaryGenerateTints, YesNo(s.has(kGenerateTints)))));
  lines.push_back(Indent(Label(msg::kSummaryAddToList, YesNo(s.has(kAddNewColors)))));
  lines.push_back(Indent(Label(msg::kSummaryThreshold, std::to_string(s.threshold) + "%")));
  lines.push_back(Indent(Label(msg::kSummaryContrast, std::to_string(s.contrast) + "%")));
  lines.push_back(Indent(Label(
      msg::kSummaryBoost, s.has(kBoost) ? std::to_string(s.boostPercent) + "%" : YesNo(false))));
  return lines;
}

}  // namespace vl::settings
