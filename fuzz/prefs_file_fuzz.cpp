// libFuzzer target for the preferences and settings file reader. The input is the file; it is
// read as both kinds. A file that reads must rewrite to a file that reads back to the same
// records and the same bytes, and no record may leave the limits the reader promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "settings/named_settings.h"
#include "settings/preferences.h"

namespace {

using namespace vl::settings;

void Check(std::span<const std::uint8_t> file, bool isSettingsFile) {
  Preferences live;
  NamedSettings named;
  const PrefsReadOutcome read = ReadPrefsFile(file, isSettingsFile, live, named);
  if (named.size() > std::size_t(kMaxNamedSettings)) std::abort();
  for (const ConversionSettings& s : named) {
    if (s.noiseSuppression < 100 || s.noiseSuppression > 8000) std::abort();
    if (s.name[sizeof s.name - 1] != '\0') std::abort();
  }
  if (live.selectedSettingsName[sizeof live.selectedSettingsName - 1] != '\0') std::abort();
  if (!read.ok()) return;
  const std::vector<std::uint8_t> written = WritePrefsFile(live, named, isSettingsFile);
  Preferences again;
  NamedSettings records;
  if (!ReadPrefsFile(written, isSettingsFile, again, records).ok()) std::abort();
  if (WritePrefsFile(again, records, isSettingsFile) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  Check(file, false);
  Check(file, true);
  return 0;
}
