// The command line's grammar: `vectorlume convert INPUT [-o OUTPUT] [options]`, --help and
// --version. Turns the arguments into a conversion request whose settings went through the same
// checks as the setup dialogs; nothing is clamped silently, an out-of-range value is an error
// carrying the dialog's own message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/document.h"
#include "image/levels.h"
#include "settings/conversion_settings.h"
#include "settings/named_settings.h"

namespace vl::app {

// Exit statuses of the command line.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the input could not be read, converted, or the art written
constexpr int kExitUsage = 2;    // the command line was wrong; nothing was read or written
constexpr int kExitInterrupted = 130;  // Ctrl+C; no output file is left behind

// INPUT or OUTPUT that names standard input or output.
constexpr std::string_view kStandardStream = "-";
// The part of the image to convert: a rectangle, or the magic wand's region around a pixel.
struct AreaSelection {
  enum class Kind { kWholeImage, kRectangle, kWand };
  Kind kind = Kind::kWholeImage;
  std::int32_t x = 0, y = 0;           // pixels: the rectangle's top left, or the wand's click
  std::int32_t width = 0, height = 0;  // pixels, the rectangle's
  int tolerance = -1;                  // the wand's; -1: the default
};

// Smoothing levels of the editing commands, applied after the conversion; -1: none.
constexpr int kNoSmoothing = -1;

struct ConvertRequest {
  std::string input;   // a file, or kStandardStream
  std::string output;  // the art file to write, or kStandardStream
  ArtFormat format;
  settings::ConversionSettings settings;  // validated
  image::LevelsValues levels;             // --levels; the identity when not given
  bool quiet = false;  // no messages and no progress line
  std::optional<std::int32_t> maxPaths;  // --max-paths: 0 no limit but memory
  bool formatGiven = false;  // -o or --format chose the format
  AreaSelection area;
  int smoothPathsLevel = kNoSmoothing;       // 0 minimum, 1 medium, 2 maximum
  int smoothDirectionLevel = kNoSmoothing;   // the same for Smooth Direction Points
  std::optional<bool> closeFit;              // --fit close or default; else the preference
  std::string customColorsFile;  // --custom-colors: a colour file loaded before converting
  bool builtinColors = false;    // --builtin-colors: the built-in colours added
  std::string exportColorsFile;  // --export-colors: the table written after converting
};

// What the preferences give the parser: the record the options start from, the named settings
// --settings chooses among, and the format used when neither -o nor --format names one.
struct ParseContext {
  settings::ConversionSettings start = DefaultStart();
  const settings::NamedSettings* named = nullptr;
  ArtFormat defaultFormat;
  static settings::ConversionSettings DefaultStart();
};

struct CommandLine {
  enum class Action { kConvert, kHelp, kVersion, kUsageError };
  Action action = Action::kUsageError;
  ConvertRequest request;  // for kConvert
  std::string error;       // for kUsageError: one line, without the program name
};

// Parses the arguments that follow the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const ParseContext& context = {});

// Whether the convert option `name` ("--tolerance") takes a value, for commands that pass
// convert's options through.
bool OptionTakesValue(std::string_view name);

// The art format an output name's extension calls for (one of kArtFormatNames, in any case).
// False, and `format` the default, for any other name.
bool ArtFormatForName(std::string_view path, ArtFormat& format);

// The extension that names art of `format`: an SVG, EMF or DXF file's own, else ".eps" for a
// GQ file with an EPS preview and ".gq" for a plain one.
std::string_view ExtensionForFormat(const ArtFormat& format);

std::string HelpText();
std::string BatchHelp();     // the batch command's options (app/batch_options.cpp)
std::string SettingsHelp();  // the settings command (app/settings_command.cpp)
std::string VersionText();

}  // namespace vl::app
