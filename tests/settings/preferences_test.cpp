// The preferences and settings files: written and read back byte for byte, files of the other
// edition (most significant byte first) and of version 1, and damaged files of every kind.
#include "settings/preferences.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/named_settings.h"
#include "settings/settings_defaults.h"

namespace vl::settings {
namespace {

using Bytes = std::vector<std::uint8_t>;

ConversionSettings Record(const char* name, std::int16_t tolerance, std::int32_t noise) {
  ConversionSettings s;
  setConversionDefaults(s);
  setColorDefaults(s);
  SetName(s, name);
  s.tolerance = tolerance;
  s.noiseSuppression = noise;
  s.lineThinning = 0x00010203;  // distinct bytes show a swap
  s.complexity = 4;
  s.reserved[0] = 0x5A;
  return s;
}

// Every field distinct from its default.
Preferences Unusual() {
  Preferences p;
  p.prefFlagsA = 0xC1;
  p.prefFlagsB = 0x2D;
  p.reserved[4] = 0x77;
  p.epsPreview = 4;
  p.saveFormat = 5;
  p.pixelSaveFormat = 3;
  p.drawThickness = 2;
  p.wandTolerance = 200;
  std::strcpy(p.selectedSettingsName, "Scans");
  for (int i = 0; i < kWindowSlots; ++i)
    p.windowPositions[i] = {std::int16_t(i * 3), std::int16_t(-i)};
  p.mainWindow[0] = 10, p.mainWindow[1] = 20, p.mainWindow[2] = 800, p.mainWindow[3] = 0x01020304;
  p.reserved2[1] = 9;
  std::strcpy(p.pluginFolder, "/opt/plugins");
  std::strcpy(p.scratchFolder, "/var/tmp");
  return p;
}

void Put16Be(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v >> 8), b[at + 1] = std::uint8_t(v);
}
void Put16Le(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v), b[at + 1] = std::uint8_t(v >> 8);
}

// The record's bytes as the other edition writes them: every number most significant first.
Bytes SwappedRecord(const ConversionSettings& s) {
  auto image = SerializeSettings(s);
  Bytes b(image.begin(), image.end());
  for (auto [at, size] : {std::pair{40, 2}, {42, 4}, {46, 4}, {50, 4}, {54, 2}, {56, 2},
                          {58, 2}, {60, 2}, {62, 2}, {64, 2}})
    std::reverse(b.begin() + at, b.begin() + at + size);
  return b;
}

// A file header and a record of `recordBytes` with the six fields at the given offsets.
Bytes Header(bool swapped, std::uint16_t version, std::size_t recordBytes,
             const std::size_t (&offsets)[6], const std::uint16_t (&values)[6]) {
  Bytes b(kPrefsHeaderBytes + recordBytes, 0);
  const std::uint8_t magic[4] = {0xB8, 0xB0, 0xED, 0xFE};
  for (int i = 0; i < 4; ++i) b[i] = swapped ? magic[3 - i] : magic[i];
  (swapped ? Put16Be : Put16Le)(b, 4, version);
  for (int i = 0; i < 6; ++i)
    (swapped ? Put16Be : Put16Le)(b, kPrefsHeaderBytes + offsets[i], values[i]);
  return b;
}

TEST(PreferencesFile, WritesTheLayoutAndReadsItBackByteForByte) {
  const NamedSettings named = {Record("Defaults", 30, 800), Record("Scans", 12, 150)};
  const Bytes file = WritePrefsFile(Unusual(), named, true);
  ASSERT_EQ(file.size(), 6 + 736 + 2 * 68u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0xB8, 0xB0, 0xED, 0xFE, 2, 0}));
  // settingsCount at record offset 18, the first record's name right after the record.
  EXPECT_EQ(file[6 + 18], 2);
  EXPECT_EQ(file[6 + 10], 5);     // saveFormat
  EXPECT_EQ(file[6 + 21], 'S');   // selectedSettingsName
  EXPECT_EQ(file[6 + 480], '/');  // scratchFolder
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[742 + 68])), "Scans");

  Preferences live;
  NamedSettings read;
  const PrefsReadOutcome outcome = ReadPrefsFile(file, true, live, read);
  EXPECT_TRUE(outcome.ok() && !outcome.swapped && !outcome.upgradedFromVersion1);
  ASSERT_EQ(read.size(), 2u);
  // The settings file contributes its records (and their count) only; reading it as the
  // preferences file takes its record too, and both rewrite to the same bytes.
  Preferences untouched;
  untouched.settingsCount = 2;
  EXPECT_EQ(SerializePreferences(live), SerializePreferences(untouched));
  Preferences prefs;
  NamedSettings again;
  ASSERT_TRUE(ReadPrefsFile(file, false, prefs, again).ok());
  EXPECT_EQ(WritePrefsFile(prefs, again, true), file);

  // The preferences file carries no records, and says so.
  const Bytes prefsFile = WritePrefsFile(Unusual(), named, false);
  EXPECT_EQ(prefsFile.size(), 742u);
  EXPECT_EQ(prefsFile[6 + 18], 0);
}

TEST(PreferencesFile, ReadsTheOtherEditionsVersion2File) {
  const ConversionSettings scans = Record("Scans", 12, 9000);
  Bytes file =
      Header(true, 2, kPrefsRecordBytesSwapped, {8, 10, 12, 14, 20, 22}, {0, 4, 1, 3, 7, 1});
  const Bytes record = SwappedRecord(scans);
  file.insert(file.end(), record.begin(), record.end());

  Preferences live = Unusual();
  NamedSettings named;
  const PrefsReadOutcome outcome = ReadPrefsFile(file, false, live, named);
  ASSERT_TRUE(outcome.ok());
  EXPECT_TRUE(outcome.swapped);
  EXPECT_EQ(live.epsPreview, 0);
  EXPECT_EQ(live.saveFormat, 4);
  EXPECT_EQ(live.pixelSaveFormat, 1);
  EXPECT_EQ(live.drawThickness, 3);
  EXPECT_EQ(live.customColorCount, 0);  // the colours come from their own file
  // Places the other edition cannot supply are reset; what it does not hold stays.
  EXPECT_EQ(live.windowPositions[5].top, 0);
  EXPECT_EQ(live.mainWindow[3], 0);
  EXPECT_STREQ(live.scratchFolder, "");
  EXPECT_EQ(live.wandTolerance, 200);
  ASSERT_EQ(named.size(), 1u);
  ConversionSettings expected = scans;
  expected.noiseSuppression = 8000;  // limited on reading
  EXPECT_EQ(SerializeSettings(named[0]), SerializeSettings(expected));
}

TEST(PreferencesFile, UpgradesVersion1FilesInBothByteOrders) {
  for (bool swapped : {false, true}) {
    SCOPED_TRACE(swapped ? "most significant first" : "least significant first");
    Bytes file =
        Header(swapped, 1, kPrefsRecordBytesV1, {8, 10, 12, 14, 16, 18}, {0, 3, 3, 1, 5, 2});
    file[6 + 0] = 0x41;  // prefFlagsA
    file[6 + 20] = 99;   // wandTolerance
    std::memcpy(&file[6 + 21], "Old", 4);
    file[6 + 54] = swapped ? 0 : 7;  // first window position, top
    file[6 + 55] = swapped ? 7 : 0;
    ConversionSettings colour = Record("Colour", 20, 50), plain = Record("Plain", 20, 800);
    colour.complexity = 4;
    plain.complexity = 2;
    for (const ConversionSettings& s : {colour, plain}) {
      const Bytes r = swapped ? SwappedRecord(s) : [&] {
        auto i = SerializeSettings(s);
        return Bytes(i.begin(), i.end());
      }();
      file.insert(file.end(), r.begin(), r.end());
    }
    Preferences live;
    NamedSettings named;
    const PrefsReadOutcome outcome = ReadPrefsFile(file, false, live, named);
    ASSERT_TRUE(outcome.ok());
    EXPECT_TRUE(outcome.upgradedFromVersion1);
    EXPECT_EQ(live.saveFormat, 3);
    EXPECT_EQ(live.drawThickness, 1);
    EXPECT_EQ(live.prefFlagsA, 0x41);
    EXPECT_EQ(live.wandTolerance, 99);
    EXPECT_STREQ(live.selectedSettingsName, "Old");
    EXPECT_EQ(live.windowPositions[0].top, swapped ? 0 : 7);  // the other edition's places reset
    EXPECT_EQ(WritePrefsFile(live, {}, false)[4], 2);         // rewritten as version 2
    ASSERT_EQ(named.size(), 2u);
    EXPECT_TRUE(named[0].has(kColorConversion));
    EXPECT_FALSE(named[1].has(kColorConversion));
    for (const ConversionSettings& s : named) {
      EXPECT_EQ(s.complexity, 10);
      EXPECT_EQ(s.maxColors, 16);
      EXPECT_EQ(s.tolerance, 20);
    }
    EXPECT_EQ(named[0].noiseSuppression, 100);
  }
}

TEST(PreferencesFile, RefusesDamagedFiles) {
  const NamedSettings two = {Record("A", 30, 800), Record("B", 30, 800)};
  const Bytes good = WritePrefsFile(Preferences{}, two, true);
  auto withCount = [&](std::int16_t n) {
    Bytes b = good;
    Put16Le(b, 6 + 18, std::uint16_t(n));
    return b;
  };
  Bytes version3 = good, wrongMagic = good;
  version3[4] = 3;
  wrongMagic[0] = 0xB9;
  Bytes fiveHundred = withCount(500);
  fiveHundred.resize(742 + 500 * 68);
  struct Case {
    const char* name;
    Bytes file;
    bool valid;
    std::size_t records;  // read before the end or the failure
  } const cases[] = {
      {"empty", {}, false, 0},
      {"short header", Bytes(good.begin(), good.begin() + 5), false, 0},
      {"wrong magic", wrongMagic, false, 0},
      {"version 3", version3, false, 0},
      {"truncated record", Bytes(good.begin(), good.begin() + 700), false, 0},
      {"truncated settings", Bytes(good.begin(), good.end() - 1), false, 1},
      {"501 settings", withCount(501), false, 0},
      {"negative count", withCount(-1), false, 0},
      {"huge count", withCount(32767), false, 0},
      {"500 settings", fiveHundred, true, 500},
      {"trailing bytes",
       [&] {
         Bytes b = good;
         b.push_back(1);
         return b;
       }(),
       true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Preferences live;
    NamedSettings named;
    EXPECT_EQ(ReadPrefsFile(c.file, true, live, named).ok(), c.valid);
    EXPECT_EQ(named.size(), c.records);
    if (!c.valid) {
      EXPECT_EQ(live.settingsCount, 0);
    }
  }
}

TEST(PreferencesFile, EndsNamesThatFillTheirFieldsAndMendsOldFormats) {
  Preferences p;
  p.saveFormat = 6;
  p.epsPreview = 0;
  Bytes file = WritePrefsFile(p, {Record("x", 30, 800)}, false);
  std::memset(&file[6 + 21], 'N', 33);    // selectedSettingsName without a NUL
  std::memset(&file[6 + 224], 'P', 512);  // both folders without one
  Put16Le(file, 6 + 18, 1);
  ConversionSettings unterminated = Record("x", 30, 800);
  auto image = SerializeSettings(unterminated);
  std::memset(image.data(), 'Q', 32);  // a record's name without a NUL
  file.insert(file.end(), image.begin(), image.end());
  Preferences live;
  NamedSettings named;
  ASSERT_TRUE(ReadPrefsFile(file, false, live, named).ok());
  EXPECT_EQ(std::strlen(live.selectedSettingsName), 32u);
  EXPECT_EQ(std::strlen(live.scratchFolder), 255u);
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(NameOf(named[0]), std::string(31, 'Q'));
  EXPECT_EQ(live.saveFormat, 3);  // the retired format 6 reads as EPS
  EXPECT_EQ(live.epsPreview, 1);
}

// The path limit and close fit share the reserved bytes: each survives the other's changes,
// and a record written before either existed (zero bytes) reads as the standard limit with
// close fit off.
TEST(PreferencesFile, PathLimitAndCloseFitTravelInTheReservedBytes) {
  EXPECT_FALSE(Preferences{}.closeFit());
  EXPECT_EQ(Preferences{}.maxPaths(), kMaxPathsStandard);
  struct Case {
    bool closeFit;
    std::int32_t limit;
  };
  for (const Case c : {Case{true, 25000}, Case{true, 0}, Case{false, 1}, Case{false, 0},
                       Case{true, kMaxPathsStandard}}) {
    SCOPED_TRACE(testing::Message() << "closeFit " << c.closeFit << ", limit " << c.limit);
    Preferences p;
    p.setCloseFit(true);
    p.setMaxPaths(c.limit);
    p.setCloseFit(c.closeFit);
    Preferences live;
    NamedSettings named;
    ASSERT_TRUE(ReadPrefsFile(WritePrefsFile(p, {}, false), false, live, named).ok());
    EXPECT_EQ(live.closeFit(), c.closeFit);
    EXPECT_EQ(live.maxPaths(), c.limit == 0 ? kMaxPathsUnlimited : c.limit);
    EXPECT_EQ(live.reserved[5], 0);  // the last reserved byte stays free
  }
  Preferences p;
  p.reserved[kOwnFlagsByte] = 0xF0;  // bits of a later edition are kept as read
  p.setCloseFit(true);
  p.setCloseFit(false);
  EXPECT_EQ(p.reserved[kOwnFlagsByte], 0xF0);
  p.reserved[kOwnFlagsByte] = 0;
  p.setMaxPaths(25000);
  p.setMaxPaths(kMaxPathsStandard);  // the standard limit is written as the zero bytes
  EXPECT_EQ(SerializePreferences(p), SerializePreferences(Preferences{}));
}

}  // namespace
}  // namespace vl::settings
