// The message table's texts and the look-ups over them. The table is a constant array kept in
// number order, so a look-up is a binary search and the compiler rejects a duplicate number.
#include "base/message_table.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace vl::msg {
namespace {

constexpr Entry kTable[] = {
    // ---- Historical numbers ----
    {11, "Insufficient memory to process image."},
    {12, "Can't save file because the disk is full or locked."},
    {13, "Can't perform operation because the scratch disk is full, locked, or unavailable."},
    {17, "Insufficient memory for undo, continue anyway?"},
    {28, "The Noise Suppression range is 1-80. Closest value inserted."},
    {29, "The Line Thinning Range is 0-20. Closest value inserted."},
    {30, "The Uniform Line Weight Range is 0-12. Closest value inserted."},
    {31, "Centerlining -"},
    {32, "Outlining -"},
    {33, "Line Recognizing -"},
    {37, "Insufficient memory for Separate Shapes."},
    {38, "Bezier curves have been output in a straight line only output format. To obtain better "
         "results, please reconvert the image using the straight lines only option."},
    {39, "Can't write preference because the disk is full or locked."},
    {40, "Invalid preference file, using defaults."},
    {41, "The percentage range is 0-100. Closest value inserted."},
    {42, "The Tolerance range is 1-5. Closest value inserted."},
    {43, "Save changes to the Morvo Vectorlume document \"%s\" before closing?"},
    {44, "All paths in this image have been deleted."},
    {52, "The Straight to Curved range is 1-5. Closest value inserted."},
    {58, "Memory ran low during the conversion and some of the smaller paths were skipped."},
    {59, "The currently selected conversion method is only compatible with 2 color conversions. "
         "Do you wish to change the conversion method to \"Outline\"?"},
    {66, "Insufficient memory available even after disposing of short paths. Conversion aborted. "
         "Please allocate more memory to Vectorlume to convert this image."},
    {68, "Maximum colors ranges from 2-255. Closest value inserted."},
    {75, "Maximum path smoothing has been achieved."},
    {76, "%d points were eliminated."},
    {77, "%d point was eliminated."},
    {78, "No points were found within the direction point smoothing tolerance specified."},
    {79, "Smoothed %ld points of the %ld points operated on."},
    {80, "Smoothed %ld point of the %ld points operated on."},
    {81, "Smoothed %ld point of the %ld point operated on."},
    {82, "Can't write settings because the disk is full or locked."},
    {83, "Invalid settings file, using defaults."},
    {84, "Undo is disabled due to insufficient memory. Turn this warning message off?"},
    {114, "Processing Image"},
    {129, "This has no effect unless Posterization in the Color/Grayscale Setup is turned off. Do "
          "you wish to turn posterization off now?"},
    {130, "Conversion method not selected"},
    {131, "No paths found"},
    {135, "Please enter a name"},
    {136, "That name is already in use, try another."},
    {147, "Processing..."},
    {148, "Sep. Shapes"},
    {149, "There is at least one filename in the batch which matches another (%s). This condition "
          "may cause output files to be overwritten depending on save options. Continue anyway?"},
    {150, "The maximum number of paths has been exceeded so the program has overridden the current "
          "Noise Suppression setting and discarded additional paths. Increase Noise Suppression "
          "setting or reduce the Complexity if reconverting."},
    {153, "New Option"},
    {155, "Can't open temporary file because the scratch disk is full, locked, or unavailable."},
    {156, "The maximum number of junction points has been exceeded. Please try another conversion "
          "method or increase the Line Thinning setting."},
    {162, "The maximum number of junction points has been exceeded. Please try changing the Noise "
          "Reduction or Complexity in Color/Grayscale Setup."},
    {203, "Automatically generated custom colors will exceed the remaining space in the custom "
          "color list. Temporarily disable custom color creation for this conversion? "},
    {223, ".art"},
    {236, "Defaults"},
    {237, "Not enough memory. Quit other applications or increase virtual memory, and then restart "
          "Vectorlume."},
    {252, "Can't delete Defaults."},
    {254, "Can't rename Defaults."},
    {257, "Complexity ranges from 2 to 20 for color images. Closest value inserted."},
    {258, "Use previous dialog box and window positions?"},
    {259, "All dialog box and window positions have been reset to defaults."},
    {278, "This preview is a false-color representation of the way Vectorlume will divide the "
          "image into sub-areas for conversion based on the current Complexity setting. Final "
          "color assignments are done after conversion based on the Posterization settings."},
    {305, "The maximum number of Settings is 500."},
    {312, "That name is reserved, try another."},
    {322, "Save changes to the pixel image \"%s\" before closing?"},
    {326, "Progress"},
    {331, "Untitled"},
    {357, "Posterizing"},
    // Byte 0xAA is the trademark sign of the program's 8-bit character set.
    {361, "Converting an earlier version of Morvo Vectorlume\xAA Prefs."},
    {363, "Can't export colors. Check that there is adequate space left on the disk and that any "
          "file being replaced isn't open or locked."},
    {370, "You need to \"tag\" at least two custom colors to perform a conversion with tagged "
          "colors only.  Check the Color/Grayscale Setup dialog box and tag colors with the "
          "Custom Color dialog box."},
    {371, "You need to have at least two custom colors to perform a conversion that fills paths "
          "with custom colors. Check the Color/Grayscale Setup dialog box or add/import more "
          "custom colors."},
    {401, "Vectorlume"},
    {404, "Note: Any changes will not take effect until Vectorlume is restarted."},

    // ---- General ----
    {1000, "%s is not available in this build."},
    {1001, "Morvo Vectorlume"},
    {1002, "Question"},

    // ---- Conversion progress, thinning, shape separation ----
    {1010, " pass %d of %d,"},
    {1011, "path"},
    {1012, "paths"},
    {1013, "Files to go:"},
    {1014, "Step %d of %d"},
    {1015, "Skeletonizing"},
    {1016, "Edit image skeleton as desired before proceeding:"},
    {1017, "No. of thinning steps ="},
    {1018, "Matching Paths"},
    {1019, "Finding best custom color for layer..."},
    {1020, "Finding best custom color tint for layer..."},

    // ---- Scratch disk and plug-in folder ----
    {1030, "Scratch Disk Preferences"},
    {1031, "Select a scratch disk for Vectorlume:"},
    {1032, "Note: Changes take effect immediately."},
    {1033, "Select Plugin Directory"},

    // ---- Input file readers ----
    {1040, "Unknown input format."},
    {1041, "Error %d opening input file."},
    {1042, "TIFF getlong format error."},
    {1043, "TIFF getrational format error."},
    {1044, "TIFF file not in MM or II format."},
    {1045, "TIFF error: Incomplete data."},
    {1046, "Bad TIFF code."},
    {1047, "Bad TIFF stroke length."},
    {1048, "Unimplemented TIFF encoding."},
    {1049, "Reading Image Data"},
    {1050, "Invalid Rastelvox format."},
    {1051, "HSL Color, HSB Color, Multichannel, and Duotone modes not supported."},
    {1052, "Converting 16 bits per color layer to 8."},
    {1053, "Not a 1 bit per pixel rasterfile."},
    {1054, "Compressed rasterfiles not allowed."},

    // ---- Raster image ----
    {1060, "The input file is still open due to a low memory situation. Therefore saving to the "
           "same name is not allowed."},
    {1061, "Revert to previously saved bitmapped image?"},
    {1062, "pixels/inch"},
    {1063, "Bitmap"},
    {1064, "Gray scale"},
    {1065, "RGB"},
    {1066, "CMYK"},

    // ---- Levels ----
    {1070, "Insufficient memory for Levels"},
    {1071, "An integer between 0 and 253 is required. Closest value inserted."},
    {1072, "A value between 0.10 and 9.99 is required. Closest value inserted."},
    {1073, "An integer between 2 and 255 is required. Closest value inserted."},
    {1074, "Levels"},

    // ---- Saving art; the Long Path Warning box, line by line ----
    {1080, "Saving: "},
    {1081, "Preparing data for clipboard"},
    {1082, "Long Path Warning"},
    {1083, "One or more of the paths output by Morvo Vectorlume has"},
    {1084, "more than 1500 anchor points. This may cause printing"},
    {1085, "problems."},
    {1086, "Correct this by doing one of the following:"},
    {1087, "1. Select long paths and use Smooth Paths from the Edit menu;"},
    {1088, "this removes some of the points in the selection."},
    {1089, "2. Use the Delete Anchor tool to remove some anchor"},
    {1090, "points from selected paths."},
    {1091, "3. Increase the Tolerance setting in the Conversion Setup dialog"},
    {1092, "under Options, then reconvert the image."},
    {1093, "4. Set Smoothing to Max. in the Color / Grayscale Setup dialog box"},
    {1094, "under Options, then reconvert the image."},

    // ---- Undo: 1100 + operation code ----
    {1100, "Cannot Undo"},
    {1101, "Delete"},
    {1102, "Pencil"},
    {1103, "Eraser"},
    {1104, "Line"},
    {1105, "Smoothing"},
    {1106, "Swatch"},
    {1107, "Paint Style"},
    {1108, "Zoom"},
    {1109, "Delete Anchor"},
    {1110, "Levels"},
    {1111, "Fill"},
    {1112, "Marquee"},
    {1113, "Lasso"},
    {1114, "Magic Wand"},
    {1115, "Select All"},
    {1116, "Select None"},
    {1117, "Select Inverse"},
    {1118, "Grow Selection"},
    {1119, "Select Similar"},
    {1120, "Clear"},
    {1121, "Convert"},
    {1122, "Smooth Direction Points"},
    {1123, "Add Anchor Point"},
    {1124, "Move Anchor Point"},
    {1125, "Adjust Line"},
    {1126, "Thin More"},
    {1127, "Adjust Curve"},
    {1130, "Convert to Circle"},
    {1131, "Convert to Oval"},
    {1132, "Convert to Square"},
    {1133, "Convert to Rectangle"},
    {1134, "Undo "},
    {1135, "Redo "},
    {1136, "\tCtrl+Z"},

    // ---- Paint types: 1140 + type; path info ----
    {1140, "None"},
    {1141, "White"},
    {1142, "Black"},
    {1143, "Process"},
    {1144, "Custom"},
    {1145, "%d%% Black"},
    {1146, "Points:"},

    // ---- Settings summary, modes and dialog captions ----
    {1150, "Conversion Setup"},
    {1151, "Color/Grayscale Setup"},
    {1152, "Outline"},
    {1153, "Centerline"},
    {1154, "Line recognition"},
    {1155, "Noise Suppression:"},
    {1156, "pixels"},
    {1157, "Line Thinning:"},
    {1158, "Interactive:"},
    {1159, "Yes"},
    {1160, "No"},
    {1161, "Tolerance:"},
    {1162, "Convert White Lines:"},
    {1163, "Curved and straight"},
    {1164, "Curved only"},
    {1165, "Straight only"},
    {1166, "Uniform Line Weight:"},
    {1167, "Separate Shapes:"},
    {1168, "Reverse Image:"},
    {1169, "%d Colors"},
    {1170, "Noise Reduction:"},
    {1171, "None"},
    {1172, "Medium"},
    {1173, "Maximum"},
    {1174, "Tagged Colors Only:"},
    {1175, "Generate Tints:"},
    {1176, "Add to List:"},
    {1177, "Threshold:"},
    {1178, "Contrast:"},
    {1179, "Boost:"},
    {1181, "Limited Colors"},
    {1182, "Unlimited Colors"},
    {1183, "Use Custom Colors"},
    {1184, "Black & White Only"},
    {1185, "Settings"},

    // ---- Custom colours ----
    {1200, "Default Custom Colors"},
    {1201, "Auto Color"},
    {1202, "The maximum number of custom colors is 900."},
    {1203, "Vectorlume can't locate the file: \"%s\". Would you like to use Vectorlume's internal "
           "default custom colors?"},
    {1204, "Vectorlume can't open the selected file. Check that you have access and try again."},
    {1205, "Selective Color Import"},
    {1206, "%d source colors"},
    {1207, "%d colors to import"},
    {1208, "Custom Color"},
    {1209, "%d Tag,"},
    {1210, "%d Tags,"},
    {1211, " %d Total Color"},
    {1212, " %d Total Colors"},
    {1213, "New Color"},
    {1214, "OK to replace existing color values?"},

    // ---- Paint Style palette ----
    {1220, "Paint Style"},
    {1221, "That color model is not allowed for drawing tools."},
    {1222, "That color model isn't compatible with the image which is currently open."},
    {1223, "Stroke weight ranges from 0 to 25.5 points. Closest value inserted."},
    {1224, "No matches found."},
    {1225, "Delete the color \"%s\"?"},
    {1226, "New color..."},
    {1227, "Save color..."},
    {1228, "Tag"},
    {1229, "Untag"},

    // ---- Batch processing ----
    {1240, "File to Convert"},
    {1241, "Files to Convert"},
    {1242, "Batch Destination"},
    {1243, "Save Batch Format"},
    {1244, "Where would you like to save batch output?"},
    {1245, "A file already exists with the name:"},
    {1246, "Batch Processing"},

    // ---- Shell commands ----
    {1260, "Convert image again?"},
    {1261, "Invalid Acquire resource."},
    {1262, "Nothing to undo right now."},

    // ---- Tools and selection ----
    {1280, "Adjust Curve/Move Point Tool (Shift = circular curve)"},
    {1281, "Adjust Line/Move Point Tool (Shift = constrain to horz, vert, or 45 deg line)"},
    {1282, "Shift Wand - adds to area"},
    {1283, "Command Wand - subtracts from area"},
    {1284, "Both Wand - get intersection of areas"},
    {1285, "Magic Wand Options"},
    {1286, "Magic Wand tolerance ranges between 0 and 255. Closest value inserted."},
};

constexpr bool StrictlyIncreasing() {
  for (std::size_t i = 1; i < std::size(kTable); ++i)
    if (kTable[i - 1].number >= kTable[i].number) return false;
  return true;
}
static_assert(StrictlyIncreasing(), "message numbers must be unique and in increasing order");

const Entry* Find(int number) {
  const Entry* end = std::end(kTable);
  const Entry* it = std::lower_bound(std::begin(kTable), end, number,
                                     [](const Entry& e, int n) { return e.number < n; });
  return it != end && it->number == number ? it : nullptr;
}

}  // namespace

std::string_view Text(int number) {
  const Entry* e = Find(number);
  return e ? e->text : std::string_view("");
}

bool Has(int number) { return Find(number) != nullptr; }

std::string Format(int number, ...) {
  const Entry* e = Find(number);
  if (!e) return {};
  // The texts are literals, so e->text.data() is a NUL-terminated format of our own; a
  // caller's string only ever arrives as an argument, never as the format.
  const char* fmt = e->text.data();
  va_list args, copy;
  va_start(args, number);
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n));
    std::vsnprintf(out.data(), out.size() + 1, fmt, copy);
  }
  va_end(copy);
  return out;
}

std::span<const Entry> Entries() { return kTable; }

}  // namespace vl::msg
