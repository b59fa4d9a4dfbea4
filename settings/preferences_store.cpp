// Loading and saving the preferences and settings files.
#include "settings/preferences_store.h"

#include <cstdio>
#include <vector>

#include "base/message_table.h"
#include "platform/atomic_file.h"
#include "platform/config_folder.h"
#include "platform/file_io.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

// Nothing a valid file holds lies beyond the largest record and 500 settings records; reading
// stops there so that a huge file costs nothing.
constexpr std::size_t kLargestFileBytes =
    kPrefsHeaderBytes + kPrefsRecordBytes + kMaxNamedSettings * kSettingsRecordBytes;

// The file's first bytes; none when it does not exist or cannot be opened.
bool ReadHead(const std::string& path, std::vector<std::uint8_t>& bytes) {
  platform::FileHandle file = platform::OpenFileForReading(path);
  if (file == platform::kNoFile) return false;
  bytes.resize(kLargestFileBytes);
  bytes.resize(platform::ReadBytes(file, bytes.data(), bytes.size()));
  platform::CloseFile(file);
  return true;
}

// Moves a damaged file aside; where it went, or "" when it could not be moved.
std::string KeepDamaged(const std::string& path) {
  const std::string kept = path + ".bad";
  return std::rename(path.c_str(), kept.c_str()) == 0 ? kept : std::string();
}

}  // namespace

ConversionSettings DefaultSettingsRecord() {
  ConversionSettings s;
  setConversionDefaults(s);
  setColorDefaults(s);
  SetName(s, msg::Text(msg::kDefaultsName));
  return s;
}

PrefsLoadReport LoadPreferences(const std::string& folder, Preferences& live, NamedSettings& named,
                                ConversionSettings& active) {
  PrefsLoadReport report;
  live = Preferences{};
  named.clear();
  active = DefaultSettingsRecord();
  std::vector<std::uint8_t> bytes;
  if (!folder.empty()) {
    const std::string prefsPath = folder + "/" + kPrefsFileName;
    if (ReadHead(prefsPath, bytes)) {
      const PrefsReadOutcome read = ReadPrefsFile(bytes, false, live, named);
      report.upgraded = read.upgradedFromVersion1;
      if (!read.ok()) {
        report.prefsInvalid = true;
        report.prefsKeptAs = KeepDamaged(prefsPath);
        live = Preferences{};
        named.clear();
      }
    }
    const std::string settingsPath = folder + "/" + kSettingsFileName;
    if (ReadHead(settingsPath, bytes)) {
      const PrefsReadOutcome read = ReadPrefsFile(bytes, true, live, named);
      report.upgraded = report.upgraded || read.upgradedFromVersion1;
      if (!read.ok()) {
        // What was read before the damage is kept.
        report.settingsInvalid = true;
        report.settingsKeptAs = KeepDamaged(settingsPath);
      }
    }
  }
  ensureDefaults(named);
  // A file may lack "Defaults" while holding other settings; it always exists afterwards.
  if (findSetting(named, msg::Text(msg::kDefaultsName)) == nullptr &&
      named.size() < std::size_t(kMaxNamedSettings)) {
    named.push_back(DefaultSettingsRecord());
  }
  live.settingsCount = static_cast<std::int16_t>(named.size());
  selectStartupSetting(live, named, active);
  return report;
}

int SavePrefsFile(const std::string& folder, const Preferences& live, const NamedSettings& named,
                  bool isSettingsFile) {
  const int failure = isSettingsFile ? msg::kSettingsWriteFailed : msg::kPrefsWriteFailed;
  if (!platform::EnsureFolderTree(folder)) return failure;
  const std::vector<std::uint8_t> bytes = WritePrefsFile(live, named, isSettingsFile);
  platform::AtomicFile file;
  if (!file.create(folder + "/" + (isSettingsFile ? kSettingsFileName : kPrefsFileName)))
    return failure;
  if (platform::WriteBytes(file.handle(), bytes.data(), bytes.size()) != bytes.size() ||
      !file.commit()) {
    file.discard();
    return failure;
  }
  return 0;
}

}  // namespace vl::settings
