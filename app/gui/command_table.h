// The window's menus as one table: every command identifier with its menu, text and key, and
// whether this build can run it. The menu bar, the shortcuts, the enabling rules and the tests
// all read this table, so a command is named and keyed in exactly one place.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vl::gui {

// Top-level menus, in menu-bar order.
enum class Menu { kFile, kEdit, kView, kOptions, kHelp };

// Who carries a command out.
enum class Handler {
  kCommandSet,  // the shared command dispatcher (app/command_set.h)
  kWindow,      // the window itself: views, zoom, dialogs, clipboard, about
  kMissing,     // its stage is not in this build: shown disabled, the reason in the tooltip
};

// What must hold for the command to be enabled (beyond its handler being present).
enum class Needs { kNothing, kImage, kArt };

struct MenuCommand {
  std::uint16_t id;          // group x 100 + item
  Menu menu;
  std::string_view submenu;  // "" for an item of the menu itself
  std::string_view text;     // the menu text, "&" marking the mnemonic
  std::string_view key;      // QKeySequence text; "" for none
  Handler handler;
  Needs needs;
  std::string_view subject;  // for kMissing: what the tooltip says is not available
  bool separatorBefore = false;
};

std::span<const MenuCommand> MenuCommands();
// The row of `id`; nullptr for an identifier outside the table.
const MenuCommand* FindMenuCommand(std::uint16_t id);
std::string_view MenuTitle(Menu menu);

// Identifiers the window handles itself.
constexpr std::uint16_t kCmdAcquireFirst = 10001;  // one item per scanner, in the order found
constexpr std::uint16_t kCmdSavePixelImageAs = 12906;
constexpr std::uint16_t kCmdRevert = 12907;
constexpr std::uint16_t kCmdBatchSelect = 12911;
constexpr std::uint16_t kCmdGeneralPreferences = 10201;
constexpr std::uint16_t kCmdPluginFolder = 10202;
constexpr std::uint16_t kCmdScratchDisk = 10203;
constexpr std::uint16_t kCmdCut = 13003;
constexpr std::uint16_t kCmdCopy = 13004;
constexpr std::uint16_t kCmdPasteAsNew = 13005;
constexpr std::uint16_t kCmdLevels = 13015;
constexpr std::uint16_t kCmdPreview = 13101;
constexpr std::uint16_t kCmdArtwork = 13102;
constexpr std::uint16_t kCmdPreviewSelection = 13103;
constexpr std::uint16_t kCmdZoomIn = 13105;
constexpr std::uint16_t kCmdZoomOut = 13106;
constexpr std::uint16_t kCmdActualSize = 13107;
constexpr std::uint16_t kCmdFitInWindow = 13108;
constexpr std::uint16_t kCmdToolbox = 13110;
constexpr std::uint16_t kCmdInfo = 13111;
constexpr std::uint16_t kCmdSettings = 13201;
constexpr std::uint16_t kCmdConversionSetup = 13202;
constexpr std::uint16_t kCmdColorSetup = 13203;
constexpr std::uint16_t kCmdPaintStyle = 13205;
constexpr std::uint16_t kCmdCustomColor = 13206;
constexpr std::uint16_t kCmdHelpIndex = 13301;  // Keyboard, Commands, Procedures, Using Help follow
constexpr std::uint16_t kCmdHelpLast = 13305;
constexpr std::uint16_t kCmdAbout = 13307;

}  // namespace vl::gui
