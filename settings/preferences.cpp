// The preferences record's file image and the reader and writer shared by the preferences and
// settings files. Every read is bounded by the bytes given: a short file is invalid, never an
// out-of-bounds read.
#include "settings/preferences.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/byte_order.h"

namespace vl::settings {
namespace {

using platform::LoadBe16;
using platform::LoadLe16;
using platform::LoadLe32;

// Offsets inside the record image.
constexpr std::size_t kFlagsAOffset = 0, kFlagsBOffset = 1, kReservedOffset = 2;
constexpr std::size_t kEpsPreviewOffset = 8;  // then five more 16-bit fields
constexpr std::size_t kWandOffset = 20, kSelectedNameOffset = 21;
constexpr std::size_t kPositionsOffset = 54, kMainWindowOffset = 206, kReserved2Offset = 222;
constexpr std::size_t kPluginOffset = 224, kScratchOffset = 480;
// In a version-2 record of the other edition only these six 16-bit fields are used.
constexpr std::size_t kSwappedFieldOffsets[6] = {8, 10, 12, 14, 20, 22};
// A version-1 record: flags and reserved bytes, the six fields, the wand byte, the name and
// the window positions, at the current offsets.
constexpr std::size_t kVersion1CopiedBytes = kMainWindowOffset;

static_assert(kScratchOffset + kFolderBytes == kPrefsRecordBytes);
static_assert(kPositionsOffset + kWindowSlots * 4 == kMainWindowOffset);
static_assert(kVersion1CopiedBytes <= kPrefsRecordBytesV1);

// Offsets and sizes of the numbers in a conversion settings record, swapped in a file of the
// other edition.
constexpr std::pair<std::size_t, std::size_t> kRecordNumbers[] = {
    {40, 2}, {42, 4}, {46, 4}, {50, 4}, {54, 2}, {56, 2}, {58, 2}, {60, 2}, {62, 2}, {64, 2}};

constexpr std::int32_t kNoiseLow = 100, kNoiseHigh = 8000;

void Put16(std::uint8_t* at, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  at[0] = static_cast<std::uint8_t>(u);
  at[1] = static_cast<std::uint8_t>(u >> 8);
}

void Put32(std::uint8_t* at, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int16_t Get16(const std::uint8_t* at) { return static_cast<std::int16_t>(LoadLe16(at)); }
std::int32_t Get32(const std::uint8_t* at) { return static_cast<std::int32_t>(LoadLe32(at)); }

void SwapInPlace(std::uint8_t* at, std::size_t size) { std::reverse(at, at + size); }

// The six 16-bit fields from epsPreview to settingsCount, in record order.
constexpr std::int16_t Preferences::*kSixFields[6] = {
    &Preferences::epsPreview,    &Preferences::saveFormat,       &Preferences::pixelSaveFormat,
    &Preferences::drawThickness, &Preferences::customColorCount, &Preferences::settingsCount};

// The fields a record of the other edition cannot supply go back to their defaults.
void ResetPlacesToDefaults(Preferences& p) {
  const Preferences defaults;
  std::copy(std::begin(defaults.windowPositions), std::end(defaults.windowPositions),
            p.windowPositions);
  std::copy(std::begin(defaults.mainWindow), std::end(defaults.mainWindow), p.mainWindow);
  std::memcpy(p.pluginFolder, defaults.pluginFolder, kFolderBytes);
  std::memcpy(p.scratchFolder, defaults.scratchFolder, kFolderBytes);
}

// Reads the record part of the file into `live`; false when the file is too short.
bool ReadRecord(std::span<const std::uint8_t> body, int version, bool swapped, Preferences& live) {
  if (version == 2 && !swapped) {
    if (body.size() < kPrefsRecordBytes) return false;
    live = DeserializePreferences(body.data());
    return true;
  }
  if (version == 2) {
    if (body.size() < kPrefsRecordBytesSwapped) return false;
    for (int i = 0; i < 6; ++i)
      live.*kSixFields[i] =
          static_cast<std::int16_t>(LoadBe16(body.data() + kSwappedFieldOffsets[i]));
    ResetPlacesToDefaults(live);
    return true;
  }
  if (body.size() < kPrefsRecordBytesV1) return false;
  // Lay the version-1 bytes over the current image of `live`, so that the fields version 1
  // lacks keep their values.
  std::vector<std::uint8_t> image = SerializePreferences(live);
  std::memcpy(image.data(), body.data(), kVersion1CopiedBytes);
  if (swapped) {
    for (std::size_t i = 0; i < 6; ++i) SwapInPlace(image.data() + kEpsPreviewOffset + 2 * i, 2);
  }
  live = DeserializePreferences(image.data());
  // Window positions written most significant byte first would be read as nonsense places.
  if (swapped) ResetPlacesToDefaults(live);
  return true;
}

}  // namespace

std::int32_t Preferences::maxPaths() const {
  const std::int32_t stored = Get32(reserved);
  if (stored == 0) return kMaxPathsStandard;
  return stored < 0 ? kMaxPathsUnlimited : stored;
}

void Preferences::setMaxPaths(std::int32_t limit) {
  Put32(reserved, limit <= 0 ? kMaxPathsUnlimited : (limit == kMaxPathsStandard ? 0 : limit));
}

void Preferences::setCloseFit(bool on) {
  std::uint8_t& own = reserved[kOwnFlagsByte];
  own = static_cast<std::uint8_t>(on ? own | kCloseFitFlag : own & ~kCloseFitFlag);
}

std::vector<std::uint8_t> SerializePreferences(const Preferences& p) {
  std::vector<std::uint8_t> out(kPrefsRecordBytes, 0);
  std::uint8_t* b = out.data();
  b[kFlagsAOffset] = p.prefFlagsA;
  b[kFlagsBOffset] = p.prefFlagsB;
  std::memcpy(b + kReservedOffset, p.reserved, sizeof p.reserved);
  for (std::size_t i = 0; i < 6; ++i) Put16(b + kEpsPreviewOffset + 2 * i, p.*kSixFields[i]);
  b[kWandOffset] = p.wandTolerance;
  std::memcpy(b + kSelectedNameOffset, p.selectedSettingsName, sizeof p.selectedSettingsName);
  for (int i = 0; i < kWindowSlots; ++i) {
    Put16(b + kPositionsOffset + 4 * i, p.windowPositions[i].top);
    Put16(b + kPositionsOffset + 4 * i + 2, p.windowPositions[i].left);
  }
  for (int i = 0; i < 4; ++i) Put32(b + kMainWindowOffset + 4 * i, p.mainWindow[i]);
  std::memcpy(b + kReserved2Offset, p.reserved2, sizeof p.reserved2);
  std::memcpy(b + kPluginOffset, p.pluginFolder, kFolderBytes);
  std::memcpy(b + kScratchOffset, p.scratchFolder, kFolderBytes);
  return out;
}

Preferences DeserializePreferences(const std::uint8_t* b) {
  Preferences p;
  p.prefFlagsA = b[kFlagsAOffset];
  p.prefFlagsB = b[kFlagsBOffset];
  std::memcpy(p.reserved, b + kReservedOffset, sizeof p.reserved);
  for (std::size_t i = 0; i < 6; ++i) p.*kSixFields[i] = Get16(b + kEpsPreviewOffset + 2 * i);
  p.wandTolerance = b[kWandOffset];
  std::memcpy(p.selectedSettingsName, b + kSelectedNameOffset, sizeof p.selectedSettingsName);
  // Names and folders are used as C strings: one that fills its field must still end.
  p.selectedSettingsName[sizeof p.selectedSettingsName - 1] = '\0';
  for (int i = 0; i < kWindowSlots; ++i) {
    p.windowPositions[i].top = Get16(b + kPositionsOffset + 4 * i);
    p.windowPositions[i].left = Get16(b + kPositionsOffset + 4 * i + 2);
  }
  for (int i = 0; i < 4; ++i) p.mainWindow[i] = Get32(b + kMainWindowOffset + 4 * i);
  std::memcpy(p.reserved2, b + kReserved2Offset, sizeof p.reserved2);
  std::memcpy(p.pluginFolder, b + kPluginOffset, kFolderBytes);
  std::memcpy(p.scratchFolder, b + kScratchOffset, kFolderBytes);
  p.pluginFolder[kFolderBytes - 1] = '\0';
  p.scratchFolder[kFolderBytes - 1] = '\0';
  return p;
}

void UpgradeSettingsRecord(ConversionSettings& s, bool fromVersion1) {
  s.noiseSuppression = std::clamp(s.noiseSuppression, kNoiseLow, kNoiseHigh);
  if (!fromVersion1) return;
  if (s.complexity > 2) s.set(kColorConversion, true);
  s.maxColors = 16;
  s.complexity = 10;
}

PrefsReadOutcome ReadPrefsFile(std::span<const std::uint8_t> file, bool isSettingsFile,
                               Preferences& live, std::vector<ConversionSettings>& named) {
  PrefsReadOutcome outcome;
  if (file.size() < kPrefsHeaderBytes) return outcome;
  const bool little = LoadLe32(file.data()) == kPrefsMagic;
  outcome.swapped = platform::LoadBe32(file.data()) == kPrefsMagic;
  if (!little && !outcome.swapped) return outcome;
  const int version = outcome.swapped ? LoadBe16(file.data() + 4) : LoadLe16(file.data() + 4);
  if (version != 1 && version != 2) return outcome;

  const Preferences backup = live;
  if (!ReadRecord(file.subspan(kPrefsHeaderBytes), version, outcome.swapped, live)) {
    live = backup;
    return outcome;
  }
  outcome.upgradedFromVersion1 = version == 1;
  const std::size_t recordBytes = version == 1      ? kPrefsRecordBytesV1
                                  : outcome.swapped ? kPrefsRecordBytesSwapped
                                                    : kPrefsRecordBytes;
  const int declared = live.settingsCount;
  if (isSettingsFile) live = backup;
  if (declared < 0 || declared > kMaxNamedSettings) {
    live.customColorCount = 0;
    live.settingsCount = 0;
    return outcome;
  }
  live.settingsCount = 0;
  // Records follow the record as this file's edition and version laid it out.
  std::size_t at = kPrefsHeaderBytes + recordBytes;
  for (int i = 0; i < declared; ++i, at += kSettingsRecordBytes) {
    if (file.size() < at + kSettingsRecordBytes) return outcome;
    std::uint8_t image[kSettingsRecordBytes];
    std::memcpy(image, file.data() + at, kSettingsRecordBytes);
    if (outcome.swapped) {
      for (const auto& [offset, size] : kRecordNumbers) SwapInPlace(image + offset, size);
    }
    ConversionSettings s = DeserializeSettings(image);
    UpgradeSettingsRecord(s, outcome.upgradedFromVersion1);
    if (named.size() >= std::size_t(kMaxNamedSettings)) return outcome;
    named.push_back(s);
  }
  live.settingsCount = static_cast<std::int16_t>(named.size());
  if (!isSettingsFile) {
    live.customColorCount = 0;  // the custom colours come from their own file
    if (live.saveFormat == 6) {
      live.saveFormat = 3;
      live.epsPreview = 1;
    }
  }
  outcome.result = PrefsFileResult::kRead;
  return outcome;
}

std::vector<std::uint8_t> WritePrefsFile(const Preferences& live,
                                         const std::vector<ConversionSettings>& named,
                                         bool isSettingsFile) {
  std::vector<std::uint8_t> out(kPrefsHeaderBytes);
  Put32(out.data(), static_cast<std::int32_t>(kPrefsMagic));
  Put16(out.data() + 4, kPrefsVersion);
  Preferences written = live;
  written.settingsCount = isSettingsFile ? static_cast<std::int16_t>(named.size()) : 0;
  const std::vector<std::uint8_t> record = SerializePreferences(written);
  out.insert(out.end(), record.begin(), record.end());
  if (isSettingsFile) {
    for (const ConversionSettings& s : named) {
      const auto image = SerializeSettings(s);
      out.insert(out.end(), image.begin(), image.end());
    }
  }
  return out;
}

}  // namespace vl::settings
