// The command table: turns a menu choice or accelerator (a command identifier) into the work of
// the stage that does it, with the save prompts that guard the document. The window hands each
// identifier over packed as (group, item); identifiers this build has no command for are ignored
// exactly like identifiers outside the table.
#pragma once

#include <cstdint>
#include <string>

#include "app/document.h"
#include "app/program.h"

namespace vl::app {

// Command identifiers: group x 100 + item, items counted from 1.
constexpr std::uint16_t kCommandOpen = 12901;
constexpr std::uint16_t kCommandClose = 12903;
constexpr std::uint16_t kCommandSaveArt = 12904;
constexpr std::uint16_t kCommandSaveArtAs = 12905;
constexpr std::uint16_t kCommandConvert = 12909;
constexpr std::uint16_t kCommandConvertSelectionEdge = 12910;
constexpr std::uint16_t kCommandQuit = 12917;
constexpr std::uint16_t kCommandUndo = 13001;
constexpr std::uint16_t kCommandClear = 13006;
constexpr std::uint16_t kCommandSelectAll = 13008;
constexpr std::uint16_t kCommandSelectNone = 13009;
constexpr std::uint16_t kCommandSelectInverse = 13010;
constexpr std::uint16_t kCommandGrowSelection = 13012;
constexpr std::uint16_t kCommandSelectSimilar = 13013;
constexpr std::uint16_t kCommandFill = 13019;
constexpr std::uint16_t kCommandSmoothPaths = 10101;            // + level 0..2
constexpr std::uint16_t kCommandSmoothDirectionPoints = 10301;  // + level 0..2
constexpr std::uint16_t kCommandConvertTo = 10401;              // + shape 0..3

// The identifier as the main window passes it on: group in the high half, item in the low half.
std::uint32_t PackCommand(std::uint16_t identifier);

// The file dialogs the commands run; the window supplies them, tests script them.
class DocumentDialogs {
 public:
  virtual ~DocumentDialogs() = default;
  // The open dialog. True, with the chosen path, when the user picked a file.
  virtual bool chooseImageFile(std::string& path) = 0;
  // The Save Art As dialog, started on the proposed path and format. True on OK, with the
  // user's choice in both.
  virtual bool chooseArtFile(std::string& path, ArtFormat& format) = 0;
  // The Save Pixel Image As dialog, started on the proposal; pixelFormat is a pixel save format
  // code (image/save_pixel_image.h). True on OK.
  virtual bool choosePixelImageFile(std::string& path, int& pixelFormat) = 0;
};

// What a command works on.
struct CommandContext {
  Program& program;
  Document& document;
  DocumentDialogs& dialogs;
};

// Runs the command of a packed identifier. False when it was ignored: not in this build's table,
// or a conversion is running (the menus are disabled meanwhile).
bool RunCommand(CommandContext& ctx, std::uint32_t packedCommand);

// The save prompts of Close, Quit and Open: first the art, then the pixel image, each with Yes,
// No and Cancel. Yes saves (through the save dialog when the file has no name yet), No goes on.
// False when the command must stop: Cancel, a cancelled save dialog, or a save that failed.
bool RunSavePrompts(CommandContext& ctx);

// The main window's close request. While a long operation runs it only asks that operation to
// stop and keeps the window (false); otherwise it runs Quit and returns whether the program
// may end.
bool RequestWindowClose(CommandContext& ctx);

// The main window's title for the document: "Vectorlume" while none is open.
std::string DocumentTitle(const Program& program, const Document& doc);

}  // namespace vl::app
