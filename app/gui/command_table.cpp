// The command table of the menus. Texts and keys are the program's own; the order is the menus'.
#include "app/gui/command_table.h"

namespace vl::gui {

namespace {

using enum Menu;
using enum Handler;
using enum Needs;

constexpr MenuCommand kCommands[] = {
    {12901, kFile, "", "&Open...", "Ctrl+O", kCommandSet, kNothing, ""},
    {12903, kFile, "", "&Close", "Ctrl+W", kCommandSet, kImage, ""},
    {12904, kFile, "", "&Save Art", "Ctrl+S", kCommandSet, kArt, "", true},
    {12905, kFile, "", "Save Art &As...", "", kCommandSet, kArt, ""},
    {12906, kFile, "", "Save &Pixel Image As...", "", kWindow, kImage, ""},
    {12907, kFile, "", "&Revert", "", kWindow, kImage, ""},
    {12909, kFile, "", "Con&vert", "Ctrl+R", kCommandSet, kImage, "", true},
    {12910, kFile, "", "Convert Selection &Edge", "Ctrl+N", kCommandSet, kImage, ""},
    {12911, kFile, "", "&Batch Select...", "", kWindow, kNothing, ""},
    {10201, kFile, "Pre&ferences", "&General...", "Ctrl+K", kWindow, kNothing, "", true},
    {10202, kFile, "Pre&ferences", "&Plug-ins...", "", kWindow, kNothing, ""},
    {10203, kFile, "Pre&ferences", "&Scratch Disk...", "", kWindow, kNothing, ""},
    {12917, kFile, "", "&Quit", "Ctrl+Q", kCommandSet, kNothing, "", true},

    {13001, kEdit, "", "Cannot Undo", "Ctrl+Z", kCommandSet, kImage, ""},
    {13003, kEdit, "", "Cu&t", "Ctrl+X", kWindow, kArt, "", true},
    {13004, kEdit, "", "&Copy", "Ctrl+C", kWindow, kArt, ""},
    {13005, kEdit, "", "&Paste as New", "Ctrl+V", kWindow, kNothing, ""},
    {13006, kEdit, "", "C&lear", "Del;Backspace;Clear", kCommandSet, kImage, ""},
    {13008, kEdit, "", "Select &All", "Ctrl+A", kCommandSet, kImage, "", true},
    {13009, kEdit, "", "Select &None", "Ctrl+D", kCommandSet, kImage, ""},
    {13010, kEdit, "", "Select &Inverse", "", kCommandSet, kImage, ""},
    {13012, kEdit, "", "&Grow Selection", "Ctrl+G", kCommandSet, kImage, "", true},
    {13013, kEdit, "", "Select Si&milar", "", kCommandSet, kImage, ""},
    {13015, kEdit, "", "Adjust &Levels...", "Ctrl+L", kWindow, kImage, "", true},
    {10101, kEdit, "Smooth &Paths", "&Minimum", "Ctrl+1", kCommandSet, kArt, ""},
    {10102, kEdit, "Smooth &Paths", "M&edium", "Ctrl+2", kCommandSet, kArt, ""},
    {10103, kEdit, "Smooth &Paths", "Ma&ximum", "Ctrl+3", kCommandSet, kArt, ""},
    {10301, kEdit, "Smooth &Direction Points", "&Minimum", "Ctrl+4", kCommandSet, kArt, ""},
    {10302, kEdit, "Smooth &Direction Points", "M&edium", "Ctrl+5", kCommandSet, kArt, ""},
    {10303, kEdit, "Smooth &Direction Points", "Ma&ximum", "Ctrl+6", kCommandSet, kArt, ""},
    {10401, kEdit, "Convert &To", "&Circle", "Ctrl+7", kCommandSet, kArt, ""},
    {10402, kEdit, "Convert &To", "&Oval", "Ctrl+8", kCommandSet, kArt, ""},
    {10403, kEdit, "Convert &To", "&Square", "Ctrl+9", kCommandSet, kArt, ""},
    {10404, kEdit, "Convert &To", "&Rectangle", "Ctrl+0", kCommandSet, kArt, ""},
    {13019, kEdit, "", "&Fill", "Ctrl+F", kCommandSet, kImage, ""},

    {13101, kView, "", "&Preview", "Ctrl+Y", kWindow, kImage, ""},
    {13102, kView, "", "&Artwork", "Ctrl+E", kWindow, kImage, ""},
    {13103, kView, "", "Preview &Selection", "", kWindow, kImage, ""},
    {13105, kView, "", "Zoom &In", "Ctrl++", kWindow, kImage, "", true},
    {13106, kView, "", "Zoom &Out", "Ctrl+-", kWindow, kImage, ""},
    {13107, kView, "", "Actual Si&ze", "Ctrl+H", kWindow, kImage, ""},
    {13108, kView, "", "&Fit In Window", "Ctrl+M", kWindow, kImage, ""},
    {13110, kView, "", "Hide &Toolbox", "", kWindow, kNothing, "", true},
    {13111, kView, "", "Show I&nfo", "", kWindow, kNothing, ""},

    {13201, kOptions, "", "&Settings...", "Ctrl+T", kWindow, kNothing, ""},
    {13202, kOptions, "", "&Conversion Setup...", "Ctrl+J", kWindow, kNothing, ""},
    {13203, kOptions, "", "C&olor/Grayscale Setup...", "Ctrl+B", kWindow, kNothing, ""},
    {13205, kOptions, "", "&Paint Style...", "Ctrl+I", kWindow, kNothing, "", true},
    {13206, kOptions, "", "C&ustom Color...", "Ctrl+U", kWindow, kNothing, ""},

    {13301, kHelp, "", "&Index", "", kWindow, kNothing, ""},
    {13302, kHelp, "", "&Keyboard", "", kWindow, kNothing, ""},
    {13303, kHelp, "", "&Commands", "", kWindow, kNothing, ""},
    {13304, kHelp, "", "&Procedures", "", kWindow, kNothing, ""},
    {13305, kHelp, "", "&Using Help", "", kWindow, kNothing, ""},
    {13307, kHelp, "", "&About Vectorlume...", "", kWindow, kNothing, "", true},
};

}  // namespace

std::span<const MenuCommand> MenuCommands() { return kCommands; }

const MenuCommand* FindMenuCommand(std::uint16_t id) {
  for (const MenuCommand& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

std::string_view MenuTitle(Menu menu) {
  switch (menu) {
    case kFile: return "&File";
    case kEdit: return "&Edit";
    case kView: return "&View";
    case kOptions: return "&Options";
    case kHelp: return "&Help";
  }
  return "";
}

}  // namespace vl::gui
