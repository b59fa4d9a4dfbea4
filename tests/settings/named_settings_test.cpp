// Named settings: adding, replacing, removing and choosing, and the files on disk (defaults,
// damaged files kept aside and reported once, atomic rewrite).
#include "settings/named_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/message_table.h"
#include "settings/preferences_store.h"

namespace vl::settings {
namespace {

std::vector<std::string> Names(const NamedSettings& list) {
  std::vector<std::string> out;
  for (const ConversionSettings& s : list) out.emplace_back(NameOf(s));
  return out;
}

ConversionSettings WithTolerance(std::int16_t tolerance) {
  ConversionSettings s = DefaultSettingsRecord();
  s.tolerance = tolerance;
  return s;
}

TEST(NamedSettings, StoreAddsOrReplacesAndKeepsByteOrder) {
  NamedSettings list;
  ensureDefaults(list);
  ASSERT_EQ(Names(list), std::vector<std::string>{"Defaults"});
  for (const char* name : {"fine", "Fine", "Scans"})
    EXPECT_TRUE(StoreSetting(list, name, WithTolerance(20)).ok());
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Defaults", "Fine", "Scans", "fine"}));
  EXPECT_TRUE(StoreSetting(list, "Fine", WithTolerance(45)).ok());
  EXPECT_EQ(list.size(), 4u);
  EXPECT_EQ(findSetting(list, "Fine")->tolerance, 45);
  EXPECT_EQ(findSetting(list, "fine")->tolerance, 20);
  EXPECT_EQ(findSetting(list, "FINE"), nullptr);
  // The stored name replaces whatever name the values carried, and fills its field cleanly.
  const ConversionSettings* scans = findSetting(list, "Scans");
  EXPECT_EQ(std::string(scans->name, 32), std::string("Scans") + std::string(27, '\0'));
}

TEST(NamedSettings, RefusalsNameTheirMessage) {
  NamedSettings list;
  ensureDefaults(list);
  struct Case {
    std::string name;
    int message;
  } const stores[] = {
      {"", msg::kEnterName},
      {"New Option", msg::kNameReserved},
      {std::string(32, 'x'), msg::kSettingsNameTooLong},
      {std::string("a\0b", 3), msg::kSettingsNameTooLong},
      {"Defaults", msg::kCantChangeDefaults},
  };
  for (const Case& c : stores)
    EXPECT_EQ(StoreSetting(list, c.name, WithTolerance(20)).message, c.message) << c.name;
  EXPECT_TRUE(StoreSetting(list, std::string(31, 'x'), WithTolerance(20)).ok());
  EXPECT_EQ(RemoveSetting(list, "Defaults").message, msg::kCantDeleteDefaults);
  EXPECT_EQ(RemoveSetting(list, "nothing").message, msg::kNoSuchSetting);
  EXPECT_TRUE(RemoveSetting(list, std::string(31, 'x')).ok());
  EXPECT_EQ(Names(list), std::vector<std::string>{"Defaults"});
  EXPECT_EQ(SerializeSettings(list[0]), SerializeSettings(DefaultSettingsRecord()));
}

TEST(NamedSettings, TheListStopsAt500ButReplacingStillWorks) {
  NamedSettings list;
  ensureDefaults(list);
  for (int i = 1; i < kMaxNamedSettings; ++i)
    ASSERT_TRUE(StoreSetting(list, "s" + std::to_string(i), WithTolerance(20)).ok());
  EXPECT_EQ(StoreSetting(list, "one more", WithTolerance(20)).message, msg::kMaxSettings);
  EXPECT_TRUE(StoreSetting(list, "s7", WithTolerance(40)).ok());
  EXPECT_EQ(list.size(), std::size_t(kMaxNamedSettings));
}

TEST(NamedSettings, StartupChoosesTheSelectedSettingOnlyWhenAsked) {
  NamedSettings list;
  ensureDefaults(list);
  ASSERT_TRUE(StoreSetting(list, "Scans", WithTolerance(12)).ok());
  Preferences prefs;
  std::strcpy(prefs.selectedSettingsName, "Scans");
  ConversionSettings active;
  selectStartupSetting(prefs, list, active);
  EXPECT_EQ(NameOf(active), "Defaults");
  prefs.prefFlagsA |= kRestoreSelectedSettings;
  selectStartupSetting(prefs, list, active);
  EXPECT_EQ(active.tolerance, 12);
  std::strcpy(prefs.selectedSettingsName, "Gone");
  active = WithTolerance(33);
  selectStartupSetting(prefs, list, active);
  EXPECT_EQ(active.tolerance, 33);  // none found: unchanged
}

TEST(NamedSettings, SummaryShowsTheRecordsValues) {
  ConversionSettings s = DefaultSettingsRecord();
  s.set(kMethodCenterline, true);
  s.tolerance = 25;
  s.linesMode = kCurvedOnly;
  const std::vector<std::string> lines = SettingsSummary(s, ',');
  const auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), "  " + line) != lines.end();
  };
  EXPECT_TRUE(has("Outline, Centerline"));
  EXPECT_TRUE(has("Tolerance: 2,5"));
  EXPECT_TRUE(has("Noise Suppression: 8,0 pixels"));
  EXPECT_TRUE(has("Curved only"));
  EXPECT_TRUE(has("Black & White Only"));
  EXPECT_TRUE(has("Threshold: 50%"));
}

// A configuration folder of its own, removed at the end.
struct ConfigDir {
  std::string path;
  ConfigDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-prefs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern + "/config/vectorlume";
  }
  ~ConfigDir() {
    std::filesystem::remove_all(std::filesystem::path(path).parent_path().parent_path());
  }
  void write(const char* name, const std::string& bytes) const {
    std::filesystem::create_directories(path);
    std::ofstream(path + "/" + name, std::ios::binary) << bytes;
  }
};

TEST(PreferencesStore, SavesAtomicallyAndLoadsBack) {
  ConfigDir dir;
  Preferences live;
  NamedSettings named;
  ConversionSettings active;
  PrefsLoadReport report = LoadPreferences(dir.path, live, named, active);
  EXPECT_FALSE(report.prefsInvalid || report.settingsInvalid || report.upgraded);
  EXPECT_EQ(Names(named), std::vector<std::string>{"Defaults"});
  EXPECT_FALSE(std::filesystem::exists(dir.path));  // reading never writes

  ASSERT_TRUE(StoreSetting(named, "Scans", WithTolerance(12)).ok());
  live.saveFormat = 5;
  live.prefFlagsA |= kRestoreSelectedSettings;
  std::strcpy(live.selectedSettingsName, "Scans");
  ASSERT_EQ(SavePrefsFile(dir.path, live, named, true), 0);  // creates the folders
  ASSERT_EQ(SavePrefsFile(dir.path, live, named, false), 0);
  EXPECT_EQ(std::filesystem::file_size(dir.path + "/VL.PRF"), 742u);
  EXPECT_EQ(std::filesystem::file_size(dir.path + "/VL.SET"), 742u + 2 * 68);

  report = LoadPreferences(dir.path, live, named, active);
  EXPECT_FALSE(report.prefsInvalid || report.settingsInvalid);
  EXPECT_EQ(live.saveFormat, 5);
  EXPECT_EQ(Names(named), (std::vector<std::string>{"Defaults", "Scans"}));
  EXPECT_EQ(active.tolerance, 12);  // restored on start-up
  // No temporary file is left beside them.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);
}

TEST(PreferencesStore, DamagedFilesAreKeptAsideAndReportedOnce) {
  ConfigDir dir;
  dir.write("VL.PRF", "not a preferences file");
  NamedSettings two = {DefaultSettingsRecord(), WithTolerance(12)};
  SetName(two[1], "Kept");
  std::vector<std::uint8_t> settings = WritePrefsFile(Preferences{}, two, true);
  settings.resize(settings.size() - 10);  // the second record cut short
  dir.write("VL.SET", std::string(settings.begin(), settings.end()));

  Preferences live;
  NamedSettings named;
  ConversionSettings active;
  PrefsLoadReport report = LoadPreferences(dir.path, live, named, active);
  EXPECT_TRUE(report.prefsInvalid);
  EXPECT_TRUE(report.settingsInvalid);
  EXPECT_EQ(report.prefsKeptAs, dir.path + "/VL.PRF.bad");
  std::ifstream kept(report.prefsKeptAs);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a preferences file");
  EXPECT_EQ(Names(named), std::vector<std::string>{"Defaults"});  // what was read is kept
  Preferences expected;
  expected.settingsCount = 1;  // the one "Defaults" record
  EXPECT_EQ(SerializePreferences(live), SerializePreferences(expected));

  report = LoadPreferences(dir.path, live, named, active);
  EXPECT_FALSE(report.prefsInvalid || report.settingsInvalid);
}

}  // namespace
}  // namespace vl::settings
