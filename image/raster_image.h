// The one raster image: its descriptor, its pixel layers and the operations that every reader,
// the selection tools, the colour preparation and the conversion engine share.
//
// Layers (all rows top to bottom):
//  - bit layer: 1 bit per pixel, most significant bit leftmost, 1 = black ink. Rows are
//    bitRowBytes long (a multiple of 4) with one blank guard row above and one below, so a 3 x 3
//    neighbourhood can be read at the border. Bits from width to paddedWidth - 1 are always 0.
//    The image itself when bilevel; the selection mask (1 = selected) otherwise.
//  - backup layer: same geometry. For a bilevel image it always holds the image as loaded; when
//    no block for it can be had, its rows live in the scratch file "memtemp" instead (row r at
//    byte offset r x bitRowBytes, no guard rows) and fileHandle is that file's handle.
//  - spare layer: same geometry, held only while a selection tool combines two masks.
//  - colour layer: 8-bit samples of one pixel adjacent in the source's channel order, rows
//    colorRowBytes long, no padding. Gray runs 0 = black to 255 = white once the load is complete.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/runtime.h"
#include "image/read_outcome.h"
#include "platform/file_io.h"
#include "platform/memory_block.h"

namespace vl::image {

// Pixel sizes are kept within signed 16-bit coordinates. A width of 32767 pads to 32768 bits,
// which is why the derived row sizes are held in 32 bits.
constexpr std::int32_t kMaxSidePixels = 32767;

// sourceFormat: which reader produced the image.
constexpr std::int16_t kSourceBySignature = -1;  // extension not recognised
constexpr std::int16_t kSourceSunRaster = 0;     // also the program's own bitmap file
constexpr std::int16_t kSourceMacPaint = 1;
constexpr std::int16_t kSourcePcx = 2;
constexpr std::int16_t kSourceTiff = 3;  // also TIFF inside a DOS EPS file
constexpr std::int16_t kSourceRvx2 = 4;
constexpr std::int16_t kSourceRvx3 = 5;
constexpr std::int16_t kSourceClipboard = 6;
constexpr std::int16_t kSourceAcquire = 7;
// Formats beyond the original eight, chosen by extension but read by signature first.
constexpr std::int16_t kSourcePng = 8;
constexpr std::int16_t kSourceJpeg = 9;
constexpr std::int16_t kSourcePnm = 10;  // PBM, PGM, PPM and PAM
constexpr std::int16_t kSourceBmp = 11;

// photometric, numbered as TIFF numbers it.
constexpr std::int16_t kWhiteIsZero = 0;
constexpr std::int16_t kBlackIsZero = 1;
constexpr std::int16_t kPhotometricRgb = 2;
constexpr std::int16_t kPhotometricPalette = 3;
constexpr std::int16_t kPhotometricSeparated = 5;  // CMYK

constexpr std::uint32_t kZoomOne = 0x10000;  // 100 % in 16.16 fixed point

// Below this many art units the larger image side is doubled into art coordinates.
constexpr double kArtScaleThreshold = 16000.0;

constexpr std::size_t kDisplayColorCount = 216;
// Screen width assumed for the processing buffer when the caller knows no better.
constexpr std::int32_t kDefaultScreenWidthPixels = 1024;

enum class ImageMode { Bitmap, GrayScale, Rgb, Cmyk };

// Combining modes of the selection tools (the modifier keys held).
enum SelectionMode : int {
  kSelectNew = 0,
  kSelectAdd = 1,
  kSelectSubtract = 2,
  kSelectIntersect = 3
};

struct RasterImage;

// Seam for reading colour rows from the still open input file when the colour layer could not be
// held in memory. The file's reader installs it; it delivers countBytes 8-bit sample bytes of row
// y starting at byte xBytes into out, and returns false when it could not.
using FileSpanReader =
    std::function<bool(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                       std::int32_t countBytes, std::uint8_t* out)>;

struct RasterImage {
  // Descriptor.
  std::string inputName;   // full path as chosen, or the bare name from a batch list
  std::string outputName;  // proposed name of the converted art
  // The open input file, or "memtemp" when backupOnDisk.
  platform::FileHandle fileHandle = platform::kNoFile;
  std::int32_t paddedWidth = 0;  // pixels; width rounded up to 32; bits per bit-layer row
  std::int32_t height = 0;       // pixels (rows)
  std::int32_t bitRowBytes = 0;  // paddedWidth / 8, a multiple of 4
  std::int16_t sourceFormat = kSourceBySignature;
  std::int32_t bitRowWords = 0;             // 16-bit words per bit-layer row
  std::int16_t photometric = kWhiteIsZero;  // always kWhiteIsZero for a loaded bilevel image
  std::int32_t width = 0;                   // pixels
  std::int32_t fileRowBytes = 0;            // bytes of one stored row in the source file
  std::int16_t swapBytes = 0;        // 1: the source's multi-byte numbers must be byte-swapped
  std::int16_t bitsPerSample = 1;    // of the source: 1 bilevel; 2, 4, 8 or 16 otherwise
  std::int16_t samplesPerPixel = 1;  // 1 bilevel or gray, 3 RGB, 4 CMYK
  // The source's sample range (TIFF MinSampleValue, MaxSampleValue), in its own bits.
  std::int32_t minSampleValue = 0;
  std::int32_t maxSampleValue = 255;
  std::string inputFolder;
  std::string outputFolder;
  std::uint32_t zoomX = kZoomOne;  // display magnification, 16.16 fixed point
  std::uint32_t zoomY = kZoomOne;
  double xResolution = 0.0;  // pixels per inch
  double yResolution = 0.0;

  // Program-wide values that belong to the image.
  std::int32_t colorRowBytes = 0;  // working width x samplesPerPixel
  std::int64_t bitLayerBytes = 0;  // bitRowBytes x height, guard rows not counted
  double artScale = 1.0;           // art units per pixel, a power of two
  std::int16_t artScaleShift = 0;  // log2(artScale)
  bool colorInMemory = false;      // false: colour rows come from the open input file
  bool backupOnDisk = false;       // the backup layer lives in "memtemp"
  // A selection tool has marked part of the image. On a bilevel image the bit layer then holds
  // the loaded pixels inside the selection only, and the backup alone holds the whole image,
  // so nothing may overwrite the backup while this is set. Set by every selection that marks
  // an area (an empty one included), cleared by Select None and when the image is released.
  bool pixelSelection = false;

  // The open dialog's "Downsample Color and Grayscale 2:1" choice; cleared when the
  // downsampled colour layer could not be had either.
  bool downsample = false;

  // Selection applied by readColorSpan (set up by CaptureSelection). Rows outside the first and
  // last row read white; inside, pixels whose mask bit is 0 read white. The mask comes from
  // selectionRows (those rows, bitRowBytes each) when that copy is held, else from the bit layer.
  bool selectionActive = false;
  std::int32_t selectionFirstRow = 0;
  std::int32_t selectionLastRow = -1;
  platform::Block selectionRows;

  // Display: 216 colours (r, g, b) stepping 0, 51, ... 255, blue fastest; the levels tone table.
  std::array<std::array<std::uint8_t, 3>, kDisplayColorCount> displayColors{};
  std::array<std::uint8_t, 256> toneTable{};

  // Layers. Bit, backup and spare blocks are bitLayerBytes + 2 guard rows.
  platform::Block bitLayer;
  platform::Block backupLayer;
  platform::Block spareLayer;
  platform::Block colorLayer;        // height x colorRowBytes
  platform::Block processingBuffer;  // row slots, source row, display rows and tables

  FileSpanReader fileSpanReader;  // set by the reader when colour rows stay in the file
};

// ---- Geometry and mode -------------------------------------------------------------------

// Sets width, height (pixels), paddedWidth, bitRowBytes, bitRowWords and bitLayerBytes. False, and
// nothing changed, unless 1 <= width, height <= kMaxSidePixels.
bool setGeometry(RasterImage& image, std::int32_t widthPixels, std::int32_t heightPixels);
// For files whose stored row length fixes the bit-layer row (Sun raster, the own bitmap file):
// bitRowBytes = rowBytes rounded up to 4, paddedWidth = 8 x bitRowBytes. False when the row
// cannot hold widthPixels or a size is out of range.
bool SetGeometryFromRowBytes(RasterImage& image, std::int32_t widthPixels,
                             std::int32_t heightPixels, std::int32_t rowBytes);

ImageMode ImageModeOf(const RasterImage& image);
std::string_view ImageModeName(ImageMode mode);  // "Bitmap", "Gray scale", "RGB", "CMYK"
inline bool IsBilevel(const RasterImage& image) { return image.bitsPerSample < 2; }

// White as a sample value: 0 in all four CMYK samples (no ink), 255 otherwise.
inline std::uint8_t WhiteSample(const RasterImage& image) {
  return image.samplesPerPixel == 4 ? 0 : 255;
}

// ---- Layers --------------------------------------------------------------------------------

// Each allocates its zero-filled layer, with the two guard rows, for the current geometry. False
// leaves the layer absent; the caller shows its own message.
bool allocateBitLayer(RasterImage& image, platform::MemoryBudget& budget);
bool allocateBackupLayer(RasterImage& image, platform::MemoryBudget& budget);
bool allocateSpareLayer(RasterImage& image, platform::MemoryBudget& budget);

// Row y (-1 and height are the guard rows) of a bit, backup or spare layer.
std::uint8_t* LayerRow(platform::Block& layer, const RasterImage& image, std::int32_t y);
const std::uint8_t* LayerRow(const platform::Block& layer, const RasterImage& image,
                             std::int32_t y);
inline std::uint8_t* BitRow(RasterImage& image, std::int32_t y) {
  return LayerRow(image.bitLayer, image, y);
}
inline const std::uint8_t* BitRow(const RasterImage& image, std::int32_t y) {
  return LayerRow(image.bitLayer, image, y);
}

// Complements every pixel of the bit layer; the padding bits stay 0.
void invertBitLayer(RasterImage& image);
// Clears the bits from width to the end of every bit-layer row.
void clearPadding(RasterImage& image);

// Frees every layer and buffer, closes fileHandle and deletes "memtemp" when backupOnDisk.
// The descriptor is kept for the next reader to overwrite.
void releaseImage(RasterImage& image, base::Runtime& rt);

// ---- Loading -------------------------------------------------------------------------------

// Called by readers of gray scale and colour data once the geometry, samplesPerPixel and
// fileRowBytes are known and the bit layer is allocated. Allocates the processing buffer and the
// colour layer (downsampled 2:1 when chosen and possible, which halves width, height and the
// resolutions and reallocates the bit layer). False after showing "Insufficient memory to process
// image." when the processing buffer or the bit layer cannot be had (silently for a bilevel
// image, which has no colour layer); true otherwise, colorInMemory telling whether the colour
// layer is held.
bool prepareColorLayer(RasterImage& image, base::Runtime& rt,
                       std::int32_t screenWidthPixels = kDefaultScreenWidthPixels);

// Byte offsets of the parts of the processing buffer for the current colorRowBytes.
struct ProcessingLayout {
  std::size_t rowSlotBytes = 0;    // colorRowBytes + one guard pixel either side
  std::size_t rowSlots = 0;        // offset of the three row slots of the filter window
  std::size_t sourceRow = 0;       // offset of the stored source row (fileRowBytes)
  std::size_t displayRow = 0;      // offset of the display row, (screen width + 2) pixels
  std::size_t displayScratch = 0;  // offset of the larger of screen width and the row slots
  std::size_t tables = 0;          // offset of the 3456 bytes of tables
  std::size_t totalBytes = 0;
};
ProcessingLayout ProcessingLayoutFor(const RasterImage& image, std::int32_t screenWidthPixels);

// A reader hands one decoded source row of 8-bit interleaved samples (other depths are widened
// and palettes expanded by the reader before this call). With downsampling only odd source rows
// and even pixels are kept. False when there is no colour layer or the row does not fit.
bool storeColorRow(RasterImage& image, std::int32_t sourceRow,
                   std::span<const std::uint8_t> samples);

// The common completion after a reader succeeded: row sizes, artScale, bilevel inversion,
// padding and backup (in memory or "memtemp"), gray complement, display tables. Unless read (the
// backup could not be written, or the user stopped it) the image is released.
ReadOutcome CompleteLoad(RasterImage& image, base::Runtime& rt);

// Copies the bit layer into the backup: into its block when held, else (backupOnDisk) closes
// the input file and writes the rows to a fresh "memtemp" with progress and the abort poll.
// Failed with the scratch file's message when "memtemp" cannot be created, with the write's
// message when a write comes up short; stopped when the user asks.
ReadOutcome saveBackup(RasterImage& image, base::Runtime& rt);

// Doubles artScale while the larger of paddedWidth and height, in art units, stays below
// kArtScaleThreshold.
void ComputeArtScale(RasterImage& image);
void BuildDisplayTables(RasterImage& image);

// Pixels to art units.
inline double pixelToArt(const RasterImage& image, double pixels) {
  return pixels * image.artScale;
}

// ---- Colour rows ---------------------------------------------------------------------------

// Delivers countBytes bytes of row y from byte xBytes (pixel x samplesPerPixel), with the
// selection applied, then repeats the span's last pixel once behind it: out must hold
// countBytes + samplesPerPixel bytes. A span that cannot be read (outside the row, no colour
// layer and no file reader) comes out white and the call returns false.
bool readColorSpan(const RasterImage& image, std::int32_t xBytes, std::int32_t y,
                   std::int32_t countBytes, std::uint8_t* out);

// Finds the first and last rows of the bit layer with a selected pixel and copies those mask
// rows aside, so readColorSpan keeps applying the selection while the bit layer is rewritten.
// False (and no selection applied) when nothing is selected or the copy cannot be allocated.
bool CaptureSelection(RasterImage& image, platform::MemoryBudget& budget);
void DropSelectionCapture(RasterImage& image);

// ---- Rectangle selection -------------------------------------------------------------------

// Combines the rectangle left..right x top..bottom (pixels, inclusive, clipped to the image) with
// the selection by mode. On a gray scale or colour image the bit layer is the mask; on a bilevel
// image the bit layer afterwards holds the loaded pixels inside the selected area and 0 outside,
// while the backup (memory or "memtemp") keeps the image as loaded. False after a message when
// the backup is missing (237) or a row buffer cannot be had (11), the selection then unchanged;
// or when "memtemp" cannot be read back (13).
bool applyRectSelection(RasterImage& image, base::Runtime& rt, std::int32_t left,
                        std::int32_t top, std::int32_t right, std::int32_t bottom, int mode);

// Empties the selection: a bilevel image gets the whole loaded image back from the backup; a
// gray scale or colour image's mask is cleared. Fails as applyRectSelection does.
bool SelectNone(RasterImage& image, base::Runtime& rt);

}  // namespace vl::image
