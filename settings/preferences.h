// The preferences record and the shared file format of the preferences file ("VL.PRF") and the
// settings file ("VL.SET"): a 6-byte header, the 736-byte record, then `settingsCount`
// conversion settings records. Files written most significant byte first (the other edition's)
// and version-1 files are read; files are always written in the current little-endian layout.
// Encoding and decoding work on bytes, so that every rule is testable without a disk.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "settings/conversion_settings.h"

namespace vl::settings {

constexpr std::uint32_t kPrefsMagic = 0xFEEDB0B8;
constexpr std::int16_t kPrefsVersion = 2;
constexpr std::size_t kPrefsHeaderBytes = 6;
constexpr std::size_t kPrefsRecordBytes = 736;
constexpr std::size_t kPrefsRecordBytesV1 = 214;
constexpr std::size_t kPrefsRecordBytesSwapped = 244;  // a version-2 file of the other edition
constexpr int kMaxNamedSettings = 500;
constexpr int kWindowSlots = 38;
constexpr std::size_t kFolderBytes = 256;

// prefFlagsA
constexpr std::uint8_t kRestoreSelectedSettings = 0x01;
constexpr std::uint8_t kBeepAfterConversions = 0x02;
constexpr std::uint8_t kWandExpandSpread = 0x08;
constexpr std::uint8_t kInfoWindowOpen = 0x10;
constexpr std::uint8_t kAutoApplyColors = 0x20;
constexpr std::uint8_t kBatchOutputToSource = 0x40;
constexpr std::uint8_t kTagImportedColors = 0x80;
// prefFlagsB
constexpr std::uint8_t kBatchReplaceFiles = 0x01;
constexpr std::uint8_t kSaveWindowPositions = 0x02;
constexpr std::uint8_t kPaintStyleOpen = 0x04;
constexpr std::uint8_t kExportTaggedOnly = 0x08;
constexpr std::uint8_t kEliminateHiddenPaths = 0x10;
constexpr std::uint8_t kKeepTintsOff = 0x20;

// The path limit kept in the first four reserved bytes (little-endian), so that older files,
// whose reserved bytes are zero, keep the standard limit.
constexpr std::int32_t kMaxPathsStandard = 10000;  // what a stored 0 means
constexpr std::int32_t kMaxPathsUnlimited = -1;    // stored for "no limit but memory"
// Our own option bits in reserved byte 4; older files hold 0 there, which keeps them off.
constexpr std::size_t kOwnFlagsByte = 4;
constexpr std::uint8_t kCloseFitFlag = 0x01;  // curves refined against the pixel edges

struct WindowPosition {
  std::int16_t top = 0, left = 0;  // 0, 0: none saved
};

struct Preferences {
  std::uint8_t prefFlagsA = kBeepAfterConversions | kWandExpandSpread | kAutoApplyColors;
  std::uint8_t prefFlagsB = kSaveWindowPositions | kEliminateHiddenPaths;
  // Preserved as read; bytes 0-3 hold the path limit, byte 4 our own option bits.
  std::uint8_t reserved[6] = {};
  std::int16_t epsPreview = 1;
  std::int16_t saveFormat = 3;
  std::int16_t pixelSaveFormat = 0;
  std::int16_t drawThickness = 4;
  std::int16_t customColorCount = 0;
  std::int16_t settingsCount = 0;
  std::uint8_t wandTolerance = 32;
  char selectedSettingsName[33] = {};
  WindowPosition windowPositions[kWindowSlots] = {};
  std::int32_t mainWindow[4] = {};  // left, top, width, height
  std::uint8_t reserved2[2] = {};
  char pluginFolder[kFolderBytes] = {};
  // The scratch base; empty means the system's temporary folder.
  char scratchFolder[kFolderBytes] = {};

  // The path limit: kMaxPathsUnlimited, or a count of at least 1.
  std::int32_t maxPaths() const;
  void setMaxPaths(std::int32_t limit);  // 0 or less: no limit
  // Close fit for conversions the window starts (default off).
  bool closeFit() const { return (reserved[kOwnFlagsByte] & kCloseFitFlag) != 0; }
  void setCloseFit(bool on);
};

// The record's file image and back (little-endian).
std::vector<std::uint8_t> SerializePreferences(const Preferences& p);
Preferences DeserializePreferences(const std::uint8_t* bytes);  // reads kPrefsRecordBytes

// What a read found. Valid files may still have been upgraded or byte-swapped.
enum class PrefsFileResult { kRead, kInvalid };
struct [[nodiscard]] PrefsReadOutcome {
  PrefsFileResult result = PrefsFileResult::kInvalid;
  bool upgradedFromVersion1 = false;  // message 361 is due
  bool swapped = false;               // most significant byte first
  bool ok() const { return result == PrefsFileResult::kRead; }
};

// readPrefsFile over a file's bytes. `live` is the record in force: the preferences file
// replaces it, the settings file only contributes its records (`live` is restored). Records
// are appended to `named` (up to the declared count; what was read before a failure stays).
// An invalid preferences file leaves `live` as the caller must then reset it to defaults.
PrefsReadOutcome ReadPrefsFile(std::span<const std::uint8_t> file, bool isSettingsFile,
                               Preferences& live, std::vector<ConversionSettings>& named);

// writePrefsFile's bytes: header, record (settingsCount 0 for the preferences file, the
// number of records for the settings file), then the records for the settings file.
std::vector<std::uint8_t> WritePrefsFile(const Preferences& live,
                                         const std::vector<ConversionSettings>& named,
                                         bool isSettingsFile);

// Limits every file-borne record's noise suppression to its range; brings a version-1 record
// up to date (posterization on when its complexity was above 2, colours and complexity reset).
void UpgradeSettingsRecord(ConversionSettings& s, bool fromVersion1);

}  // namespace vl::settings
