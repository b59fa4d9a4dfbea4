// Parsing the command line into a conversion request, and its help text.
#include "app/cli_options.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

#include "app/art_format_names.h"
#include "app/document_names.h"
#include "image/pixel_selection.h"
#include "base/message_table.h"
#include "settings/decimal_field.h"
#include "settings/settings_defaults.h"
#include "settings/settings_validation.h"
#include "platform/file_names.h"

namespace vl::app {

namespace {

using settings::ConversionSettings;
using settings::SettingsField;

constexpr std::string_view kVersion = "0.1";
constexpr char kDecimalPoint = '.';  // the terminal's numbers do not follow a locale
constexpr int kHundredths = 100;     // scale of noise, thinning and weight fields
constexpr int kTenths = 10;          // scale of tolerance and straight-to-curved fields

// The options as typed, before anything is interpreted.
struct RawOptions {
  std::vector<std::string> positional;
  std::optional<std::string> output, format, preview;
  std::optional<std::string> method, tolerance, noise, thinning, lines, straightToCurved,
      uniformWeight, threshold, contrast, boost, colors, complexity, noiseReduction, levels;
  std::optional<std::string> settingsName, maxPaths, fit;
  std::optional<std::string> selectRect, selectWand, smoothPaths, smoothDirectionPoints;
  std::optional<std::string> customColors, exportColors;
  bool builtinColors = false, tints = false, addColors = false;
  bool whiteLines = false, reverse = false, separateShapes = false, noUniformWeight = false,
       color = false, reduceDetail = false, quiet = false, help = false, toStdout = false,
       noColorAveraging = false;
};

struct ValueOption {
  std::string_view name;
  std::optional<std::string> RawOptions::*value;
};
constexpr ValueOption kValueOptions[] = {
    {"--output", &RawOptions::output},
    {"--format", &RawOptions::format},
    {"--preview", &RawOptions::preview},
    {"--method", &RawOptions::method},
    {"--tolerance", &RawOptions::tolerance},
    {"--noise", &RawOptions::noise},
    {"--thinning", &RawOptions::thinning},
    {"--lines", &RawOptions::lines},
    {"--straight-to-curved", &RawOptions::straightToCurved},
    {"--uniform-weight", &RawOptions::uniformWeight},
    {"--threshold", &RawOptions::threshold},
    {"--contrast", &RawOptions::contrast},
    {"--boost", &RawOptions::boost},
    {"--colors", &RawOptions::colors},
    {"--complexity", &RawOptions::complexity},
    {"--noise-reduction", &RawOptions::noiseReduction},
    {"--settings", &RawOptions::settingsName},
    {"--max-paths", &RawOptions::maxPaths},
    {"--fit", &RawOptions::fit},
    {"--select-rect", &RawOptions::selectRect},
    {"--select-wand", &RawOptions::selectWand},
    {"--smooth-paths", &RawOptions::smoothPaths},
    {"--smooth-direction-points", &RawOptions::smoothDirectionPoints},
    {"--levels", &RawOptions::levels},
    {"--custom-colors", &RawOptions::customColors},
    {"--export-colors", &RawOptions::exportColors},
};

struct FlagOption {
  std::string_view name;
  bool RawOptions::*flag;
};
constexpr FlagOption kFlagOptions[] = {
    {"--white-lines", &RawOptions::whiteLines},
    {"--reverse", &RawOptions::reverse},
    {"--separate-shapes", &RawOptions::separateShapes},
    {"--no-uniform-weight", &RawOptions::noUniformWeight},
    {"--color", &RawOptions::color},
    {"--reduce-detail", &RawOptions::reduceDetail},
    {"--no-color-averaging", &RawOptions::noColorAveraging},
    {"--builtin-colors", &RawOptions::builtinColors},
    {"--tints", &RawOptions::tints},
    {"--add-colors", &RawOptions::addColors},
    {"--stdout", &RawOptions::toStdout},
    {"--quiet", &RawOptions::quiet},
    {"-q", &RawOptions::quiet},
    {"--help", &RawOptions::help},
    {"-h", &RawOptions::help},
};

// A parse step's failure: the line to print; empty when the step succeeded.
using Error = std::string;

// Joins the pieces by appending (g++ 12 at -O3 misreads insertions into temporaries).
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view piece : pieces) out += piece;
  return out;
}

std::string Quoted(std::string_view text) { return Join({"\"", text, "\""}); }

Error ReadOptions(const std::vector<std::string>& args, std::size_t first, RawOptions& raw) {
  bool optionsEnded = false;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      raw.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const std::size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        name = arg.substr(0, equals);
        inlineValue = arg.substr(equals + 1);
      }
    }
    if (name == "-o") name = "--output";

    bool known = false;
    for (const ValueOption& option : kValueOptions) {
      if (name != option.name) continue;
      known = true;
      if (inlineValue) {
        raw.*option.value = *inlineValue;
      } else if (i + 1 < args.size()) {
        raw.*option.value = args[++i];
      } else {
        return name + " needs a value";
      }
    }
    for (const FlagOption& option : kFlagOptions) {
      if (name != option.name) continue;
      known = true;
      if (inlineValue) return name + " takes no value";
      raw.*option.flag = true;
    }
    if (!known) return Join({"unknown option ", Quoted(arg)});
  }
  return {};
}

// ---- Numbers -----------------------------------------------------------------------------

// An optional '-', digits, and (when fractions are allowed) one '.' with more digits.
bool IsNumberText(std::string_view text, bool fraction) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == kDecimalPoint && fraction && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// The value of a decimal field, read by the dialogs' own parser (rounded half up, scaled).
// A minus sign, which no dialog field accepts, is kept so that the range check sees it.
Error ReadDecimal(std::string_view name, const std::string& text, int scale, std::int32_t& out) {
  if (!IsNumberText(text, true)) return Join({name, " expects a number, not ", Quoted(text)});
  const bool negative = text.front() == '-';
  const settings::ParsedDecimal parsed =
      settings::parseDecimal(negative ? std::string_view(text).substr(1) : text, scale,
                             kDecimalPoint);
  out = negative ? -parsed.value : parsed.value;
  return {};
}

Error ReadInteger(std::string_view name, const std::string& text, long long& out) {
  if (!IsNumberText(text, false)) {
    return Join({name, " expects a whole number, not ", Quoted(text)});
  }
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, out);
  if (result.ec == std::errc::result_out_of_range) {
    out = text.front() == '-' ? std::numeric_limits<long long>::min()
                              : std::numeric_limits<long long>::max();
  }
  return {};
}

// ---- Settings ----------------------------------------------------------------------------

// The record being built, with what the user typed for each field, so that a failed check can
// name the option.
struct SettingsBuilder {
  ConversionSettings s;
  struct Given {
    SettingsField field;
    std::string text;  // "--tolerance 7"
  };
  std::vector<Given> given;
  // Fields whose value did not fit the record's integer type and was stored at the type's
  // nearest limit; `otherLimit` stores the opposite limit for the range probe.
  struct Saturated {
    SettingsField field;
    std::function<void(ConversionSettings&)> otherLimit;
  };
  std::vector<Saturated> saturated;

  void note(SettingsField field, std::string_view option, const std::string& value) {
    given.push_back({field, Join({option, " ", value})});
  }
  std::string optionFor(SettingsField field) const {
    for (const Given& g : given)
      if (g.field == field) return g.text;
    return "the settings";
  }
};

// Stores v in an integer field of the record. A value the field's type cannot hold is stored at
// the type's nearest limit and remembered, so that the range check still refuses it.
template <typename T>
void StoreInteger(SettingsBuilder& b, T ConversionSettings::*field, SettingsField which,
                  long long v) {
  constexpr long long kLow = std::numeric_limits<T>::min();
  constexpr long long kHigh = std::numeric_limits<T>::max();
  if (v >= kLow && v <= kHigh) {
    b.s.*field = static_cast<T>(v);
    return;
  }
  b.s.*field = static_cast<T>(v < kLow ? kLow : kHigh);
  const T other = static_cast<T>(v < kLow ? kHigh : kLow);
  b.saturated.push_back({which, [field, other](ConversionSettings& s) { s.*field = other; }});
}

Error RangeError(const SettingsBuilder& b, const settings::ValidationResult& r) {
  return Join({b.optionFor(r.field), ": ", msg::Text(r.message)});
}

// Both dialogs' OK checks, in the order the dialogs run them.
settings::ValidationResult Validate(ConversionSettings& s) {
  settings::ValidationResult r = settings::ValidateConversionSetup(s);
  if (!r.ok()) return r;
  // The command line offers no custom colours, so the gray-image case of the posterization
  // list never arises.
  return settings::ValidateColorSetup(s, false);
}

Error CheckSettings(SettingsBuilder& b) {
  ConversionSettings checked = b.s;
  const settings::ValidationResult r = Validate(checked);
  if (r.question) {
    return "--color works with the outline method only (centerline, lines, --reverse and "
           "--white-lines need black and white conversion)";
  }
  if (!r.ok()) return RangeError(b, r);
  // A value stored at its type's limit may have landed inside the range: the opposite limit
  // then shows which range message belongs to the field.
  for (const SettingsBuilder::Saturated& sat : b.saturated) {
    ConversionSettings probe = b.s;
    sat.otherLimit(probe);
    const settings::ValidationResult p = Validate(probe);
    if (!p.ok() && !p.question) return RangeError(b, p);
  }
  return {};
}

// Turns an option on the way the Conversion Setup check box does; an option that needs black
// and white conversion cannot be combined with --color.
Error SetOption(SettingsBuilder& b, settings::Flag flag, bool on, std::string_view option) {
  if (settings::SetMethodOption(b.s, flag, on) != 0) {
    return Join({option, " has no effect with --color: it needs black and white conversion"});
  }
  return {};
}

Error ApplyMethods(SettingsBuilder& b, const std::string& list) {
  bool outline = false, centerline = false, lines = false;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string name = list.substr(start, comma - start);
    if (name == "outline") outline = true;
    else if (name == "centerline") centerline = true;
    else if (name == "lines") lines = true;
    else return Join({"--method expects outline, centerline or lines, not ", Quoted(name)});
    start = comma + 1;
  }
  if (Error e = SetOption(b, settings::kMethodOutline, outline, "--method outline"); !e.empty())
    return e;
  if (Error e = SetOption(b, settings::kMethodCenterline, centerline, "--method centerline");
      !e.empty())
    return e;
  return SetOption(b, settings::kMethodLineRecognition, lines, "--method lines");
}

Error ApplyColorOptions(SettingsBuilder& b, const RawOptions& raw) {
  ConversionSettings& s = b.s;
  if (!raw.color) {
    if (raw.colors) return "--colors needs --color";
    if (raw.complexity) return "--complexity needs --color";
    if (raw.reduceDetail) return "--reduce-detail needs --color";
    if (raw.noColorAveraging) return "--no-color-averaging needs --color";
  } else {
    if (raw.threshold) return "--threshold applies to black and white conversion, not --color";
    if (raw.contrast) return "--contrast applies to black and white conversion, not --color";
    if (raw.boost) return "--boost applies to black and white conversion, not --color";
    // Custom colours without a colour count paint the shapes with the nearest of them.
    const bool customColors = raw.customColors || raw.builtinColors;
    settings::ChoosePosterizationMode(s,
                                      raw.colors       ? settings::PosterizationMode::kLimitedColors
                                      : customColors ? settings::PosterizationMode::kUseCustomColors
                                                     : settings::PosterizationMode::kUnlimitedColors,
                                      false);
    s.set(settings::kReduceDetail, raw.reduceDetail);
    s.set(settings::kColorAveragingOff, raw.noColorAveraging);
    if (raw.tints && (raw.colors || !customColors))
      return "--tints needs --custom-colors or --builtin-colors without --colors";
    if (raw.addColors && !raw.colors) return "--add-colors needs --colors";
    s.set(settings::kGenerateTints, raw.tints);
    s.set(settings::kTaggedColorsOnly, false);  // the command line tags no colours
    s.set(settings::kAddNewColors, raw.addColors);
  }
  if (!raw.color && raw.tints) return "--tints needs --color";
  if (!raw.color && raw.addColors) return "--add-colors needs --color";
  if (raw.threshold && raw.contrast) return "--threshold and --contrast exclude each other";
  if (raw.boost && !raw.contrast) return "--boost needs --contrast";

  long long v = 0;
  if (raw.colors) {
    if (Error e = ReadInteger("--colors", *raw.colors, v); !e.empty()) return e;
    StoreInteger(b, &ConversionSettings::maxColors, SettingsField::kMaxColors, v);
    b.note(SettingsField::kMaxColors, "--colors", *raw.colors);
  }
  if (raw.complexity) {
    if (Error e = ReadInteger("--complexity", *raw.complexity, v); !e.empty()) return e;
    StoreInteger(b, &ConversionSettings::complexity, SettingsField::kComplexity, v);
    b.note(SettingsField::kComplexity, "--complexity", *raw.complexity);
  }
  if (raw.threshold) {
    if (Error e = ReadInteger("--threshold", *raw.threshold, v); !e.empty()) return e;
    s.set(settings::kContrastMode, false);
    StoreInteger(b, &ConversionSettings::threshold, SettingsField::kThreshold, v);
    b.note(SettingsField::kThreshold, "--threshold", *raw.threshold);
  }
  if (raw.contrast) {
    if (Error e = ReadInteger("--contrast", *raw.contrast, v); !e.empty()) return e;
    s.set(settings::kContrastMode, true);
    StoreInteger(b, &ConversionSettings::contrast, SettingsField::kContrast, v);
    b.note(SettingsField::kContrast, "--contrast", *raw.contrast);
  }
  if (raw.boost) {
    if (Error e = ReadInteger("--boost", *raw.boost, v); !e.empty()) return e;
    s.set(settings::kBoost, true);
    StoreInteger(b, &ConversionSettings::boostPercent, SettingsField::kBoostPercent, v);
    b.note(SettingsField::kBoostPercent, "--boost", *raw.boost);
  }
  if (raw.noiseReduction) {
    const std::string& n = *raw.noiseReduction;
    if (n == "none") s.noiseReduction = 0;
    else if (n == "medium") s.noiseReduction = 1;
    else if (n == "maximum") s.noiseReduction = 2;
    else return Join({"--noise-reduction expects none, medium or maximum, not ", Quoted(n)});
  }
  return {};
}

// --levels BLACK,GAMMA,WHITE, checked as the Levels dialog checks its three fields.
Error ReadLevels(const std::string& text, image::LevelsValues& levels) {
  const std::size_t first = text.find(','), second = text.find(',', first + 1);
  if (first == std::string::npos || second == std::string::npos ||
      text.find(',', second + 1) != std::string::npos) {
    return Join({"--levels expects BLACK,GAMMA,WHITE, not ", Quoted(text)});
  }
  long long black = 0, white = 0;
  std::int32_t gammaHundredths = 0;
  if (Error e = ReadInteger("--levels BLACK", text.substr(0, first), black); !e.empty()) return e;
  if (Error e = ReadDecimal("--levels GAMMA", text.substr(first + 1, second - first - 1),
                            kHundredths, gammaHundredths);
      !e.empty())
    return e;
  if (Error e = ReadInteger("--levels WHITE", text.substr(second + 1), white); !e.empty())
    return e;
  const std::string_view option = "--levels: ";
  if (black < 0 || black > image::kLevelsBlackMax) return Join({option, msg::Text(msg::kLevelsBlackRange)});
  if (gammaHundredths < 10 || gammaHundredths > 999)
    return Join({option, msg::Text(msg::kLevelsGammaRange)});
  if (white < image::kLevelsWhiteMin || white > 255)
    return Join({option, msg::Text(msg::kLevelsWhiteRange)});
  if (white < black + 2) return "--levels needs WHITE at least BLACK + 2";
  levels.black = static_cast<int>(black);
  levels.gamma = gammaHundredths / 100.0;
  levels.white = static_cast<int>(white);
  return {};
}

// A decimal field's option: where its text is, its scale and how the value is stored.
struct DecimalOption {
  const std::optional<std::string>& text;
  std::string_view name;
  int scale;
  SettingsField field;
  std::function<void(std::int32_t)> store;
};

Error ApplyDecimal(SettingsBuilder& b, const DecimalOption& option) {
  if (!option.text) return {};
  std::int32_t v = 0;
  if (Error e = ReadDecimal(option.name, *option.text, option.scale, v); !e.empty()) return e;
  option.store(v);
  b.note(option.field, option.name, *option.text);
  return {};
}

Error ApplyConversionOptions(SettingsBuilder& b, const RawOptions& raw) {
  ConversionSettings& s = b.s;
  if (raw.method) {
    if (Error e = ApplyMethods(b, *raw.method); !e.empty()) return e;
  }
  if (raw.whiteLines) {
    if (Error e = SetOption(b, settings::kWhiteLines, true, "--white-lines"); !e.empty()) return e;
  }
  if (raw.reverse) {
    if (Error e = SetOption(b, settings::kReverseImage, true, "--reverse"); !e.empty()) return e;
  }
  if (raw.separateShapes) {
    if (Error e = SetOption(b, settings::kSeparateShapes, true, "--separate-shapes"); !e.empty())
      return e;
  }
  if (raw.uniformWeight && raw.noUniformWeight) {
    return "--uniform-weight and --no-uniform-weight exclude each other";
  }
  if (raw.noUniformWeight) s.set(settings::kUniformLineWeight, false);
  if (raw.uniformWeight) {
    if (Error e = SetOption(b, settings::kUniformLineWeight, true, "--uniform-weight");
        !e.empty())
      return e;
  }
  if (raw.lines) {
    const std::string& l = *raw.lines;
    if (l == "curved-straight") s.linesMode = settings::kCurvedAndStraight;
    else if (l == "curved") s.linesMode = settings::kCurvedOnly;
    else if (l == "straight") s.linesMode = settings::kStraightOnly;
    else return Join({"--lines expects curved-straight, curved or straight, not ", Quoted(l)});
  }

  // Tenths fields are int16 in the record; their parser stops at 32767 and a negative value
  // is at least -32767, so every value fits and reaches the range check as typed.
  auto tenths = [](std::int16_t& field) {
    return [&field](std::int32_t v) { field = static_cast<std::int16_t>(v); };
  };
  auto hundredths = [](std::int32_t& field) { return [&field](std::int32_t v) { field = v; }; };
  const DecimalOption decimals[] = {
      {raw.tolerance, "--tolerance", kTenths, SettingsField::kTolerance, tenths(s.tolerance)},
      {raw.straightToCurved, "--straight-to-curved", kTenths, SettingsField::kStraightToCurved,
       tenths(s.straightToCurved)},
      {raw.noise, "--noise", kHundredths, SettingsField::kNoiseSuppression,
       hundredths(s.noiseSuppression)},
      {raw.thinning, "--thinning", kHundredths, SettingsField::kLineThinning,
       hundredths(s.lineThinning)},
      {raw.uniformWeight, "--uniform-weight", kHundredths, SettingsField::kUniformWeight,
       hundredths(s.uniformWeight)},
  };
  for (const DecimalOption& d : decimals) {
    if (Error e = ApplyDecimal(b, d); !e.empty()) return e;
  }
  return {};
}

// ---- Area and editing ----------------------------------------------------------------------

// Whole numbers separated by commas; `count` of them, or `optional` more.
Error ReadNumbers(std::string_view name, const std::string& text, std::size_t count,
                  std::size_t optional, std::vector<long long>& out) {
  out.clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    long long v = 0;
    if (Error e = ReadInteger(name, text.substr(start, comma - start), v); !e.empty()) return e;
    out.push_back(v);
    start = comma + 1;
  }
  if (out.size() < count || out.size() > count + optional) {
    return Join({name, " expects ", count == 4 ? "X,Y,W,H" : "X,Y[,TOLERANCE]", ", not ",
                 Quoted(text)});
  }
  return {};
}

Error ApplyArea(const RawOptions& raw, ConvertRequest& request) {
  if (raw.selectRect && raw.selectWand) return "--select-rect and --select-wand exclude each other";
  std::vector<long long> v;
  constexpr long long kSide = 32767;  // pixel coordinates are signed 16-bit
  if (raw.selectRect) {
    if (Error e = ReadNumbers("--select-rect", *raw.selectRect, 4, 0, v); !e.empty()) return e;
    if (v[0] < 0 || v[1] < 0 || v[0] > kSide || v[1] > kSide || v[2] < 1 || v[3] < 1 ||
        v[2] > kSide || v[3] > kSide)
      return Join({"--select-rect ", *raw.selectRect,
                   ": X and Y are 0 to 32767 pixels, W and H 1 to 32767"});
    request.area = {AreaSelection::Kind::kRectangle, std::int32_t(v[0]), std::int32_t(v[1]),
                    std::int32_t(v[2]), std::int32_t(v[3]), -1};
  }
  if (raw.selectWand) {
    if (Error e = ReadNumbers("--select-wand", *raw.selectWand, 2, 1, v); !e.empty()) return e;
    if (v[0] < 0 || v[1] < 0 || v[0] > kSide || v[1] > kSide)
      return Join({"--select-wand ", *raw.selectWand, ": X and Y are 0 to 32767 pixels"});
    int tolerance = -1;
    if (v.size() == 3) {
      if (v[2] < image::kMinWandTolerance || v[2] > image::kMaxWandTolerance)
        return Join({"--select-wand ", *raw.selectWand, ": ", msg::Text(msg::kMagicWandRange)});
      tolerance = int(v[2]);
    }
    request.area = {AreaSelection::Kind::kWand, std::int32_t(v[0]), std::int32_t(v[1]), 0, 0,
                    tolerance};
  }
  return {};
}

Error ReadLevel(std::string_view name, const std::optional<std::string>& text, int& level) {
  if (!text) return {};
  if (*text == "min") level = 0;
  else if (*text == "medium") level = 1;
  else if (*text == "max") level = 2;
  else return Join({name, " expects min, medium or max, not ", Quoted(*text)});
  return {};
}

// ---- Output --------------------------------------------------------------------------------

using NameAndNote = std::pair<std::string_view, std::string_view>;

// Joins a listed name to its note, so that the help never breaks a line between the two.
// Latin-1's no-break space: as a single byte it is never part of the UTF-8 help text.
constexpr char kNoBreak = '\xA0';

// The names `item` gives for the rows, rows without one skipped, each followed by its note (if
// any) in parentheses: "a (note), b or c" with `last` = " or ".
template <typename Rows, typename Item>
std::string NameList(const Rows& rows, Item item, std::string_view last) {
  std::vector<NameAndNote> names;
  for (const auto& row : rows)
    if (const NameAndNote n = item(row); !n.first.empty()) names.push_back(n);
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? last : ", ";
    out += names[i].first;
    if (!names[i].second.empty())
      out += Join({std::string_view(&kNoBreak, 1), "(", names[i].second, ")"});
  }
  return out;
}

NameAndNote FormatName(const ArtFormatName& row) { return {row.name, {}}; }
NameAndNote FormatExtension(const ArtFormatName& row) { return {row.extension, {}}; }
NameAndNote PreviewKind(const PreviewKindName& row) { return {row.name, {}}; }

bool IsGqFormat(const ArtFormat& f) {
  return !f.svg && !f.pdf && f.format <= art::kFormatGq5;
}

Error ChooseOutput(const RawOptions& raw, ConvertRequest& request, const ArtFormat& preferred) {
  // The art goes to standard output when asked, or when the image comes from standard input
  // and no file is named; the format then comes from --format alone.
  const bool namedStream = raw.output && *raw.output == kStandardStream;
  if (raw.toStdout && raw.output && !namedStream) return "--stdout and -o FILE exclude each other";
  const bool toStdout = raw.toStdout || namedStream || (!raw.output && request.input == kStandardStream);
  ArtFormat format = preferred;
  request.formatGiven = raw.format || raw.output;
  if (raw.format) {
    const ArtFormatName* row = FindArtFormatName(*raw.format);
    if (row == nullptr) {
      return Join({"--format expects ", NameList(kArtFormatNames, FormatName, " or "), ", not ",
                   Quoted(*raw.format)});
    }
    const bool headerName = toStdout || !raw.output ||
                            platform::HasExtension(*raw.output, ExtensionForRule(PreviewRule::kHeader));
    format = FormatForRow(*row, headerName);
  } else if (raw.output && !toStdout && !ArtFormatForName(*raw.output, format)) {
    return Join({"cannot tell the art format from ", Quoted(*raw.output), ": name it ",
                 NameList(kArtFormatNames, FormatExtension, " or "), ", or give --format"});
  }
  if (raw.preview) {
    if (!IsGqFormat(format)) return "--preview applies to GQ and EPS output only";
    const PreviewKindName* kind = FindPreviewKindName(*raw.preview);
    if (kind == nullptr) {
      return Join({"--preview expects ", NameList(kPreviewKindNames, PreviewKind, " or "), ", not ",
                   Quoted(*raw.preview)});
    }
    format.preview = kind->preview;
  }
  request.format = format;
  request.output = toStdout      ? std::string(kStandardStream)
                   : raw.output ? *raw.output
                                : ReplaceExtension(request.input, ExtensionForFormat(format));
  if (request.output.empty()) return "--output needs a file name";
  return {};
}

// ---- Help --------------------------------------------------------------------------------

constexpr std::size_t kHelpColumn = 28;  // where an option's description starts
constexpr std::size_t kHelpWidth = 93;   // the right margin of the options' descriptions

// One option of the help: the option, and its description filled from the description column
// to the right margin, breaking at spaces.
std::string HelpEntry(std::string_view option, std::string_view description) {
  std::string out(option);
  out.resize(kHelpColumn, ' ');
  std::size_t lineStart = 0;
  bool lineEmpty = true;
  while (!description.empty()) {
    const std::size_t space = description.find(' ');
    const std::string_view word = description.substr(0, space);
    description.remove_prefix(space == std::string_view::npos ? description.size() : space + 1);
    if (!lineEmpty && out.size() - lineStart + 1 + word.size() > kHelpWidth) {
      out += '\n';
      lineStart = out.size();
      out.append(kHelpColumn, ' ');
      lineEmpty = true;
    }
    if (!lineEmpty) out += ' ';
    out += word;
    lineEmpty = false;
  }
  for (char& c : out)
    if (c == kNoBreak) c = ' ';
  return out + '\n';
}

// The options that choose the art's name, format and preview. A format's note is given once:
// with its extension if it has one, else with its --format name.
std::string OutputHelp() {
  const auto extension = [](const ArtFormatName& row) {
    return NameAndNote{row.extension, row.note};
  };
  const auto name = [](const ArtFormatName& row) {
    return NameAndNote{row.name, row.extension.empty() ? row.note : std::string_view()};
  };
  const auto kind = [](const PreviewKindName& row) { return NameAndNote{row.name, row.note}; };
  return Join({HelpEntry("  -o, --output FILE",
                         Join({"the art file; its extension chooses the format: ",
                               NameList(kArtFormatNames, extension, ", ")})),
               HelpEntry("      --format FORMAT", Join({"the format, whatever the name: ",
                                                        NameList(kArtFormatNames, name, ", ")})),
               HelpEntry("      --preview KIND", Join({"the preview of GQ and EPS output: ",
                                                       NameList(kPreviewKindNames, kind, ", ")}))});
}

}  // namespace

bool ArtFormatForName(std::string_view path, ArtFormat& format) {
  const ArtFormatName* row = ArtFormatNameForPath(path);
  format = row ? FormatForRow(*row, false) : ArtFormat{};  // an extension's row is never kOpen
  return row != nullptr;
}

std::string_view ExtensionForFormat(const ArtFormat& format) {
  // A format other than GQ has one name.
  for (const ArtFormatName& row : kArtFormatNames) {
    if (row.extension.empty() || row.preview != PreviewRule::kNoPreview) continue;
    if (row.format == FormatColumn(format)) return row.extension;
  }
  // Any other is written by the GQ writer: EPS when it has a preview, else a plain GQ file.
  return ExtensionForRule(format.preview != art::kPreviewNone ? PreviewRule::kHeader
                                                              : PreviewRule::kNone);
}

bool OptionTakesValue(std::string_view name) {
  if (name == "-o") return true;
  for (const ValueOption& option : kValueOptions)
    if (name == option.name) return true;
  return false;
}

settings::ConversionSettings ParseContext::DefaultStart() {
  ConversionSettings s;
  settings::setConversionDefaults(s);
  settings::setColorDefaults(s);
  return s;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const ParseContext& context) {
  CommandLine line;
  auto fail = [&line](std::string error) {
    line.action = CommandLine::Action::kUsageError;
    line.error = std::move(error);
    return line;
  };
  if (args.empty()) return fail("no command given; try vectorlume --help");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
  if (command == "--version") {
    line.action = CommandLine::Action::kVersion;
    return line;
  }
  if (command != "convert") {
    if (!command.empty() && command[0] == '-') return fail(Join({"unknown option ", Quoted(command)}));
    return fail(Join({"unknown command ", Quoted(command),
                      "; to convert a file: vectorlume convert ", command}));
  }

  RawOptions raw;
  if (Error e = ReadOptions(args, 1, raw); !e.empty()) return fail(e);
  if (raw.help) {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
  if (raw.positional.empty()) return fail("convert needs an INPUT file");
  if (raw.positional.size() > 1) return fail(Join({"unexpected argument ", Quoted(raw.positional[1])}));

  ConvertRequest& request = line.request;
  request.input = raw.positional[0];
  request.quiet = raw.quiet;
  if (Error e = ChooseOutput(raw, request, context.defaultFormat); !e.empty()) return fail(e);
  if (raw.maxPaths) {
    long long v = 0;
    if (Error e = ReadInteger("--max-paths", *raw.maxPaths, v); !e.empty()) return fail(e);
    if (v < 0 || v > std::numeric_limits<std::int32_t>::max())
      return fail("--max-paths expects 0 (no limit) or a number of paths");
    request.maxPaths = static_cast<std::int32_t>(v);
  }
  if (raw.fit) {
    if (*raw.fit != "default" && *raw.fit != "close")
      return fail(Join({"--fit expects default or close, not ", Quoted(*raw.fit)}));
    request.closeFit = *raw.fit == "close";
  }

  SettingsBuilder b;
  b.s = context.start;
  if (raw.settingsName) {
    const ConversionSettings* named =
        context.named == nullptr ? nullptr : settings::findSetting(*context.named, *raw.settingsName);
    if (named == nullptr) return fail(Join({"no setting named ", Quoted(*raw.settingsName),
                                            "; vectorlume settings list shows them"}));
    b.s = *named;
  }
  // Posterization first: the method options then meet it exactly as the dialog's check boxes do.
  if (Error e = ApplyColorOptions(b, raw); !e.empty()) return fail(e);
  if (Error e = ApplyConversionOptions(b, raw); !e.empty()) return fail(e);
  if (Error e = CheckSettings(b); !e.empty()) return fail(e);
  if (Error e = ApplyArea(raw, request); !e.empty()) return fail(e);
  if (Error e = ReadLevel("--smooth-paths", raw.smoothPaths, request.smoothPathsLevel); !e.empty())
    return fail(e);
  if (Error e = ReadLevel("--smooth-direction-points", raw.smoothDirectionPoints,
                          request.smoothDirectionLevel);
      !e.empty())
    return fail(e);
  request.settings = b.s;
  if (raw.customColors) request.customColorsFile = *raw.customColors;
  if (raw.exportColors) request.exportColorsFile = *raw.exportColors;
  if ((raw.customColors && raw.customColors->empty()) ||
      (raw.exportColors && raw.exportColors->empty()))
    return fail("--custom-colors and --export-colors need a file name");
  request.builtinColors = raw.builtinColors;
  if (raw.levels) {
    if (Error e = ReadLevels(*raw.levels, request.levels); !e.empty()) return fail(e);
  }
  line.action = CommandLine::Action::kConvert;
  return line;
}

std::string VersionText() { return Join({"Vectorlume ", kVersion}); }

std::string HelpText() {
  return Join({R"(Usage: vectorlume convert INPUT [-o OUTPUT] [options]
       vectorlume batch INPUT... [-o FOLDER | --to-source] [batch options] [options]
       vectorlume settings list | show NAME | save NAME [options] | delete NAME
       vectorlume --help | --version

Traces the raster image INPUT (TIFF, PNG, JPEG, PBM/PGM/PPM/PAM, BMP, PCX, Sun raster,
MacPaint or RVX) into vector art and writes the art to OUTPUT. Without -o the art is written
next to INPUT, named like it with the extension ".eps" (or the extension of --format). INPUT
"-" reads the image from standard input (its format known by its first bytes); OUTPUT "-" or
--stdout writes the art to standard output, in the format --format names (EPS by default), as
does INPUT "-" without -o. Messages still go to standard error.

Output:
)",
               OutputHelp(), R"(
Conversion Setup (defaults in brackets):
      --method LIST         outline, centerline and/or lines, comma-separated [outline]
      --tolerance N         fitting tolerance, 1 (tight) to 5 (loose) [3]
      --noise PIXELS        noise suppression, 1 to 80 pixels [8]
      --thinning PIXELS     line thinning, 0 to 20 pixels [3]
      --lines MODE          curved-straight, curved or straight [curved-straight]
      --straight-to-curved N  1 (straight) to 5 (curved) [3]
      --uniform-weight POINTS uniform line weight, 0 to 12 points [on, 1]
      --no-uniform-weight   lines get no uniform weight
      --white-lines         trace white lines on black
      --reverse             reverse the image before tracing
      --separate-shapes     separate shapes (centerline)

Color/Grayscale Setup, for gray scale and colour images:
      --threshold PERCENT   black and white conversion at this threshold, 0 to 100 [50]
      --contrast PERCENT    black and white conversion by contrast, 0 to 100
      --boost PERCENT       boost in contrast mode, 0 to 100
      --color               posterize into colour layers (unlimited colours)
      --colors N            posterize into at most N colours, 2 to 255 (needs --color)
      --complexity N        2 (fewer paths) to 20 (more paths) (needs --color) [10]
      --noise-reduction none|medium|maximum  [medium]
      --reduce-detail       (needs --color)
      --no-color-averaging  each shape takes the colour most of its pixels have, not their
                            mean (needs --color)
      --levels B,GAMMA,W    adjust levels first: input black 0-253, gamma 0.10-9.99, input
                            white 2-255 [0,1.00,255]

Custom colours (named CMYK colours; with --color the shapes take the nearest of them):
      --custom-colors FILE  load the colour file FILE (its "%%CMYKCustomColor:" header lines)
      --builtin-colors      add the 29 built-in colours
      --tints               with --color: the nearest tint, 10% to 100%, of a custom colour
      --add-colors          with --color --colors N: each new path colour becomes a custom
                            colour "Auto Color n"
      --export-colors FILE  write the custom colours to FILE after the conversion

Settings and limits:
      --settings NAME       start from the named setting NAME instead of the one in force
      --max-paths N         keep at most N paths (0: no limit but memory) [10000]
      --fit default|close   close: refine each curve against the traced pixels
                            [the preference, else default]

Area and editing:
      --select-rect X,Y,W,H convert only the W x H pixels from (X, Y)
      --select-wand X,Y[,TOLERANCE]  convert only the magic wand's region around pixel (X, Y);
                            tolerance 0 to 255 [32] (on black and white images: the black
                            shape under the pixel)
      --smooth-paths LEVEL  Smooth Paths after the conversion: min, medium or max
      --smooth-direction-points LEVEL  Smooth Direction Points after it: min, medium or max

)", BatchHelp(), "\n", SettingsHelp(), R"(
Other:
      --stdout              write the art to standard output (as -o -)
  -q, --quiet               no messages and no progress line (usage errors are still shown)
  -h, --help                this text
      --version             the program's version

Numbers take "." as the decimal point. A value outside its range is refused with the message
the setup dialog shows for it, and nothing is converted. A method or format whose stage is not
part of this build is refused with "... is not available in this build.". The progress line
appears on stderr only when stderr is a terminal.

Exit status:
  0    the art was written ("No paths found" still writes an empty art file)
  1    the input could not be read or converted, or the art could not be written
  2    the command line was wrong; nothing was read or written
  130  stopped by Ctrl+C; no output file is left behind

Examples:
  vectorlume convert scan.tif                      writes scan.eps next to scan.tif
  vectorlume convert scan.tif -o art/scan.svg --tolerance 2
  vectorlume convert scan.png --stdout --format svg | gzip > scan.svgz
  vectorlume convert logo.tif -o logo.gq --format gq3 --noise 4 --lines curved
)"});
}

}  // namespace vl::app
