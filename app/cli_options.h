// The command line's grammar: `vectorlume convert INPUT [-o OUTPUT] [options]`, --help and
// --version. Turns the arguments into a conversion request whose settings went through the same
// checks as the setup dialogs; nothing is clamped silently, an out-of-range value is an error
// carrying the dialog's own message.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/document.h"
#include "image/levels.h"
#include "settings/conversion_settings.h"

namespace vl::app {

// Exit statuses of the command line.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the input could not be read, converted, or the art written
constexpr int kExitUsage = 2;    // the command line was wrong; nothing was read or written
constexpr int kExitInterrupted = 130;  // Ctrl+C; no output file is left behind

struct ConvertRequest {
  std::string input;
  std::string output;  // the art file to write
  ArtFormat format;
  settings::ConversionSettings settings;  // validated
  image::LevelsValues levels;             // --levels; the identity when not given
  bool quiet = false;  // no messages and no progress line
};

struct CommandLine {
  enum class Action { kConvert, kHelp, kVersion, kUsageError };
  Action action = Action::kUsageError;
  ConvertRequest request;  // for kConvert
  std::string error;       // for kUsageError: one line, without the program name
};

// Parses the arguments that follow the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The art format an output name's extension calls for (one of kArtFormatNames, in any case).
// False, and `format` the default, for any other name.
bool ArtFormatForName(std::string_view path, ArtFormat& format);

// The extension that names art of `format`: an SVG, EMF or DXF file's own, else ".eps" for a
// GQ file with an EPS preview and ".gq" for a plain one.
std::string_view ExtensionForFormat(const ArtFormat& format);

std::string HelpText();
std::string VersionText();

}  // namespace vl::app
