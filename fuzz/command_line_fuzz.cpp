// libFuzzer target for the text users type: command lines (the input's NUL bytes separate the
// arguments) and the setup dialogs' decimal fields. Any argument list parses into a request or
// a usage error; a request's settings pass the Conversion Setup checks they were put through
// and its levels lie within the Levels dialog's ranges;
// a decimal field never reads as negative.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "settings/decimal_field.h"
#include "settings/settings_validation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) args.emplace_back();
    else args.back().push_back(static_cast<char>(data[i]));
  }
  const vl::app::CommandLine line = vl::app::ParseCommandLine(args);
  if (line.action == vl::app::CommandLine::Action::kConvert) {
    vl::settings::ConversionSettings settings = line.request.settings;
    if (!vl::settings::ValidateConversionSetup(settings).ok()) __builtin_trap();
    // Levels come out within the Levels dialog's ranges, the white point above the black.
    const vl::image::LevelsValues& levels = line.request.levels;
    if (levels.black < 0 || levels.white > 255 || levels.white < levels.black + 2 ||
        !(levels.gamma >= vl::image::kLevelsGammaMin && levels.gamma <= vl::image::kLevelsGammaMax))
      __builtin_trap();
  }
  for (const std::string& arg : args) {
    for (auto [scale, separator] : {std::pair{100, '.'}, std::pair{10, ','}}) {
      if (vl::settings::parseDecimal(arg, scale, separator).value < 0) __builtin_trap();
    }
  }
  return 0;
}
