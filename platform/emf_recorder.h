// A small enhanced-metafile recorder of our own: it turns the few drawing calls the art
// writer makes (a device path of moves, lines and cubic Beziers; solid brushes and pens;
// fill and stroke of the path) into metafile records, little-endian, as the public metafile
// format lays them out. There is no system recorder on this platform.
//
// The recorder does not own the file. Records go to an EmfOutput as they are made; the
// header, whose size, record count, handle count and bounds are known only at the end, is
// written first as a placeholder and again, complete, once finish() has run: the caller
// puts it back at the start of the file. Its size never changes between the two.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vl::platform {

struct EmfPoint {
  std::int32_t x = 0;  // device pixels
  std::int32_t y = 0;
};

// Inclusive-inclusive rectangle, as the format stores bounds and frames.
struct EmfRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct EmfSize {
  std::int32_t cx = 0, cy = 0;
};

struct EmfRgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// The device a metafile is recorded for: its size in pixels and in millimetres. Players use
// the ratio to turn device units into physical size.
struct EmfReferenceDevice {
  EmfSize pixels;
  EmfSize millimeters;
};

// The reference device of every art metafile: 24000 x 18000 units on 508 x 381 mm, exactly
// 1200 units per inch both ways. A screen's 96 per inch kept a third of a 300 pixels/inch
// scan's precision; at 1200 a unit is at most a quarter of an image pixel up to 300 pixels/inch
// and coordinates stay far inside 32 bits. Fixed, so that the same art always gives the same
// file.
constexpr EmfReferenceDevice kArtReferenceDevice{{24000, 18000}, {508, 381}};

// Record types used (values of the format's record type enumeration).
enum class EmfRecordType : std::uint32_t {
  Header = 1,
  PolyBezierTo = 5,
  Eof = 14,
  SetPolyFillMode = 19,
  MoveToEx = 27,
  SelectObject = 37,
  CreatePen = 38,
  CreateBrushIndirect = 39,
  DeleteObject = 40,
  LineTo = 54,
  BeginPath = 59,
  EndPath = 60,
  FillPath = 62,
  StrokeAndFillPath = 63,
  StrokePath = 64,
};

// Polygon fill modes: alternate (even-odd, the device context's default) and winding
// (non-zero).
constexpr std::uint32_t kFillAlternate = 1;
constexpr std::uint32_t kFillWinding = 2;

// Stock objects: selecting one puts the device context's default back, which is how an
// object created for one path is deselected before it is deleted.
constexpr std::uint32_t kStockWhiteBrush = 0x80000000;
constexpr std::uint32_t kStockBlackPen = 0x80000007;

// Where records go. The recorder calls write() once per record, with the record's bytes.
class EmfOutput {
 public:
  virtual void write(const void* data, std::size_t bytes) = 0;

 protected:
  ~EmfOutput() = default;
};

// Header: 108 bytes of fixed fields (the base header and both extensions), then the
// description in UTF-16, padded to a multiple of four bytes.
constexpr std::size_t kEmfHeaderFixedBytes = 108;
constexpr std::size_t kEmfMaxApplicationUnits = 63;  // UTF-16 units kept of each description part
constexpr std::size_t kEmfMaxPictureUnits = 255;
constexpr std::size_t kEmfMaxHeaderBytes =
    kEmfHeaderFixedBytes + 2 * (kEmfMaxApplicationUnits + 1 + kEmfMaxPictureUnits + 1) + 2;

struct EmfHeaderBytes {
  std::array<std::uint8_t, kEmfMaxHeaderBytes> bytes{};
  std::size_t size = 0;
};

// Object table slots; index 0 is reserved by the format for the metafile itself.
constexpr std::uint32_t kEmfObjectSlots = 32;

class EmfRecorder {
 public:
  // frame: the picture's extent in 0.01 mm. The description is the usual pair of the
  // application's name and the picture's name (UTF-8 here, UTF-16 in the file), each
  // limited to the kEmfMax...Units above.
  EmfRecorder(EmfOutput& output, EmfReferenceDevice device, EmfRect frame,
              std::string_view application, std::string_view picture);
  EmfRecorder(const EmfRecorder&) = delete;
  EmfRecorder& operator=(const EmfRecorder&) = delete;

  // The header record as it stands: complete once finish() has run.
  EmfHeaderBytes header() const;
  // Records the header placeholder; call once, before anything else.
  void start();

  void setPolyFillMode(std::uint32_t mode);  // kFillAlternate or kFillWinding

  void beginPath();
  void moveTo(EmfPoint point);
  void lineTo(EmfPoint point);
  // One cubic Bezier from the current position: two control points and the end point.
  void polyBezierTo(EmfPoint control1, EmfPoint control2, EmfPoint end);
  void endPath();

  // Object table index of the new object, or 0 when all slots are taken (nothing recorded).
  std::uint32_t createSolidBrush(EmfRgb color);
  // A width below 1 is taken as 1; wider pens are recorded as geometric pens.
  std::uint32_t createSolidPen(std::int32_t widthPixels, EmfRgb color);
  void selectObject(std::uint32_t object);  // a table index or a stock object
  void deleteObject(std::uint32_t object);

  // Paint the path closed by endPath(); each consumes it.
  void fillPath();
  void strokeAndFillPath();
  void strokePath();

  // Records the end-of-file record. Nothing may follow.
  void finish();

  std::uint32_t bytes() const { return bytes_; }      // of every record so far, header included
  std::uint32_t records() const { return records_; }  // header included
  std::uint16_t handles() const { return handles_; }  // highest object index used + 1
  // Union of what the painting records touched, inclusive; (0, 0, -1, -1) while nothing was.
  EmfRect bounds() const;

 private:
  void emit(EmfRecordType type, const std::uint8_t* body, std::size_t bodyBytes);
  void widenPath(EmfPoint point);
  void paintPath(EmfRecordType type, bool stroked);

  EmfOutput& output_;
  EmfReferenceDevice device_;
  EmfRect frame_;
  // The description in UTF-16 units: application, NUL, picture, NUL.
  std::array<std::uint16_t, kEmfMaxApplicationUnits + 1 + kEmfMaxPictureUnits + 1> description_{};
  std::size_t descriptionUnits_ = 0;

  std::uint32_t bytes_ = 0;
  std::uint32_t records_ = 0;
  std::uint16_t handles_ = 1;
  std::array<bool, kEmfObjectSlots> slotUsed_{};
  std::array<std::int32_t, kEmfObjectSlots> penWidth_{};  // device pixels, for pens' slots
  std::int32_t selectedPenWidth_ = 1;                     // the default pen is 1 pixel wide

  EmfPoint position_;      // the current position
  bool pathEmpty_ = true;  // bounds of the path being built or just closed
  EmfRect pathBounds_;
  bool drawn_ = false;  // anything painted yet
  EmfRect bounds_;
};

}  // namespace vl::platform
