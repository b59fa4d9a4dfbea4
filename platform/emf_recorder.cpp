// The enhanced-metafile recorder: record layouts and the bookkeeping the header needs.
#include "platform/emf_recorder.h"

#include <algorithm>

namespace vl::platform {

namespace {

constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kVersion = 0x00010000;
constexpr std::size_t kRecordHeadBytes = 8;  // type and size
constexpr std::size_t kMaxBodyBytes = 44;    // PolyBezierTo with three points
constexpr std::uint32_t kSolidStyle = 0;     // BS_SOLID for brushes, PS_SOLID for pens
// A cosmetic pen is one pixel wide by definition; a wider one must be geometric, its width
// then in logical units (device pixels here: no mapping mode is set).
constexpr std::uint32_t kGeometricPen = 0x00010000;
constexpr std::uint32_t kEofBodyBytes = 12;
constexpr std::int32_t kMicrometersPerMillimeter = 1000;

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = std::uint8_t(value);
  at[1] = std::uint8_t(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(value >> (8 * i));
}

void PutI32(std::uint8_t* at, std::int32_t value) { PutU32(at, static_cast<std::uint32_t>(value)); }

void PutRect(std::uint8_t* at, const EmfRect& r) {
  PutI32(at, r.left);
  PutI32(at + 4, r.top);
  PutI32(at + 8, r.right);
  PutI32(at + 12, r.bottom);
}

void PutPoint(std::uint8_t* at, EmfPoint p) {
  PutI32(at, p.x);
  PutI32(at + 4, p.y);
}

std::uint32_t ColorRef(EmfRgb c) {  // 0x00BBGGRR
  return std::uint32_t(c.r) | (std::uint32_t(c.g) << 8) | (std::uint32_t(c.b) << 16);
}

EmfRect Union(const EmfRect& a, const EmfRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Appends `text` (UTF-8; a byte that starts no valid sequence counts as Latin-1) as UTF-16
// units, at most `limit` of them and never half a surrogate pair.
std::size_t AppendUtf16(std::string_view text, std::uint16_t* out, std::size_t limit) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code = byte(i);
    std::size_t length = 1;
    const int extra = code >= 0xC2 && code <= 0xDF   ? 1
                      : code >= 0xE0 && code <= 0xEF ? 2
                      : code >= 0xF0 && code <= 0xF4 ? 3
                                                     : 0;
    if (extra > 0 && i + extra < text.size()) {
      std::uint32_t value = code & (0x3Fu >> extra);
      bool valid = true;
      for (int k = 1; valid && k <= extra; ++k) {
        valid = (byte(i + k) & 0xC0) == 0x80;
        value = (value << 6) | (byte(i + k) & 0x3F);
      }
      constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};  // shortest forms only
      if (valid && value >= kLeast[extra] && value <= 0x10FFFF &&
          (value < 0xD800 || value > 0xDFFF)) {
        code = value;
        length = std::size_t(extra) + 1;
      }
    }
    if (code >= 0x10000) {
      if (n + 2 > limit) break;
      code -= 0x10000;
      out[n++] = std::uint16_t(0xD800 + (code >> 10));
      out[n++] = std::uint16_t(0xDC00 + (code & 0x3FF));
    } else {
      if (n + 1 > limit) break;
      out[n++] = std::uint16_t(code);
    }
    i += length;
  }
  return n;
}

}  // namespace

EmfRecorder::EmfRecorder(EmfOutput& output, EmfReferenceDevice device, EmfRect frame,
                         std::string_view application, std::string_view picture)
    : output_(output), device_(device), frame_(frame) {
  std::size_t n = AppendUtf16(application, description_.data(), kEmfMaxApplicationUnits);
  description_[n++] = 0;
  n += AppendUtf16(picture, description_.data() + n, kEmfMaxPictureUnits);
  description_[n++] = 0;
  descriptionUnits_ = n;
  // The header is the first record; its size is fixed by the description.
  bytes_ = std::uint32_t(header().size);
  records_ = 1;
}

EmfRect EmfRecorder::bounds() const { return drawn_ ? bounds_ : EmfRect{0, 0, -1, -1}; }

EmfHeaderBytes EmfRecorder::header() const {
  EmfHeaderBytes h;
  std::uint8_t* b = h.bytes.data();
  const std::size_t descriptionBytes = descriptionUnits_ * 2;
  h.size = kEmfHeaderFixedBytes + (descriptionBytes + 3) / 4 * 4;
  PutU32(b, std::uint32_t(EmfRecordType::Header));
  PutU32(b + 4, std::uint32_t(h.size));
  PutRect(b + 8, bounds());
  PutRect(b + 24, frame_);
  PutU32(b + 40, kSignature);
  PutU32(b + 44, kVersion);
  PutU32(b + 48, bytes_);
  PutU32(b + 52, records_);
  PutU16(b + 56, handles_);
  PutU16(b + 58, 0);
  PutU32(b + 60, std::uint32_t(descriptionUnits_));
  PutU32(b + 64, std::uint32_t(kEmfHeaderFixedBytes));
  PutU32(b + 68, 0);  // no palette
  PutI32(b + 72, device_.pixels.cx);
  PutI32(b + 76, device_.pixels.cy);
  PutI32(b + 80, device_.millimeters.cx);
  PutI32(b + 84, device_.millimeters.cy);
  PutU32(b + 88, 0);  // no pixel format descriptor
  PutU32(b + 92, 0);
  PutU32(b + 96, 0);  // no OpenGL records
  PutI32(b + 100, device_.millimeters.cx * kMicrometersPerMillimeter);
  PutI32(b + 104, device_.millimeters.cy * kMicrometersPerMillimeter);
  for (std::size_t i = 0; i < descriptionUnits_; ++i)
    PutU16(b + kEmfHeaderFixedBytes + 2 * i, description_[i]);
  return h;
}

void EmfRecorder::start() {
  EmfHeaderBytes h = header();
  output_.write(h.bytes.data(), h.size);
}

void EmfRecorder::emit(EmfRecordType type, const std::uint8_t* body, std::size_t bodyBytes) {
  std::uint8_t record[kRecordHeadBytes + kMaxBodyBytes];
  const std::size_t size = kRecordHeadBytes + bodyBytes;
  PutU32(record, std::uint32_t(type));
  PutU32(record + 4, std::uint32_t(size));
  std::copy(body, body + bodyBytes, record + kRecordHeadBytes);
  output_.write(record, size);
  bytes_ += std::uint32_t(size);
  ++records_;
}

void EmfRecorder::widenPath(EmfPoint p) {
  if (pathEmpty_) {
    pathBounds_ = {p.x, p.y, p.x, p.y};
    pathEmpty_ = false;
  } else {
    pathBounds_ = Union(pathBounds_, {p.x, p.y, p.x, p.y});
  }
}

void EmfRecorder::setPolyFillMode(std::uint32_t mode) {
  std::uint8_t body[4];
  PutU32(body, mode);
  emit(EmfRecordType::SetPolyFillMode, body, sizeof body);
}

void EmfRecorder::beginPath() {
  pathEmpty_ = true;
  emit(EmfRecordType::BeginPath, nullptr, 0);
}

void EmfRecorder::moveTo(EmfPoint point) {
  std::uint8_t body[8];
  PutPoint(body, point);
  emit(EmfRecordType::MoveToEx, body, sizeof body);
  position_ = point;
  widenPath(point);
}

void EmfRecorder::lineTo(EmfPoint point) {
  std::uint8_t body[8];
  PutPoint(body, point);
  emit(EmfRecordType::LineTo, body, sizeof body);
  widenPath(position_);
  widenPath(point);
  position_ = point;
}

void EmfRecorder::polyBezierTo(EmfPoint control1, EmfPoint control2, EmfPoint end) {
  // The control points bound the curve, so they bound it in the record too.
  EmfRect box{position_.x, position_.y, position_.x, position_.y};
  for (EmfPoint p : {control1, control2, end}) box = Union(box, {p.x, p.y, p.x, p.y});
  std::uint8_t body[44];
  PutRect(body, box);
  PutU32(body + 16, 3);
  PutPoint(body + 20, control1);
  PutPoint(body + 28, control2);
  PutPoint(body + 36, end);
  emit(EmfRecordType::PolyBezierTo, body, sizeof body);
  widenPath(position_);
  for (EmfPoint p : {control1, control2, end}) widenPath(p);
  position_ = end;
}

void EmfRecorder::endPath() { emit(EmfRecordType::EndPath, nullptr, 0); }

std::uint32_t EmfRecorder::createSolidBrush(EmfRgb color) {
  std::uint32_t slot = 1;
  while (slot < kEmfObjectSlots && slotUsed_[slot]) ++slot;
  if (slot == kEmfObjectSlots) return 0;
  slotUsed_[slot] = true;
  penWidth_[slot] = 0;
  handles_ = std::max<std::uint16_t>(handles_, std::uint16_t(slot + 1));
  std::uint8_t body[16];
  PutU32(body, slot);
  PutU32(body + 4, kSolidStyle);
  PutU32(body + 8, ColorRef(color));
  PutU32(body + 12, 0);  // no hatch
  emit(EmfRecordType::CreateBrushIndirect, body, sizeof body);
  return slot;
}

std::uint32_t EmfRecorder::createSolidPen(std::int32_t widthPixels, EmfRgb color) {
  std::uint32_t slot = 1;
  while (slot < kEmfObjectSlots && slotUsed_[slot]) ++slot;
  if (slot == kEmfObjectSlots) return 0;
  slotUsed_[slot] = true;
  handles_ = std::max<std::uint16_t>(handles_, std::uint16_t(slot + 1));
  std::uint8_t body[20];
  PutU32(body, slot);
  widthPixels = std::max<std::int32_t>(widthPixels, 1);
  penWidth_[slot] = widthPixels;
  PutU32(body + 4, widthPixels > 1 ? kSolidStyle | kGeometricPen : kSolidStyle);
  PutI32(body + 8, widthPixels);  // the width is the x of a point; its y is unused
  PutI32(body + 12, 0);
  PutU32(body + 16, ColorRef(color));
  emit(EmfRecordType::CreatePen, body, sizeof body);
  return slot;
}

void EmfRecorder::selectObject(std::uint32_t object) {
  std::uint8_t body[4];
  PutU32(body, object);
  emit(EmfRecordType::SelectObject, body, sizeof body);
  if (object == kStockBlackPen)
    selectedPenWidth_ = 1;
  else if (object < kEmfObjectSlots && slotUsed_[object] && penWidth_[object] > 0)
    selectedPenWidth_ = penWidth_[object];
}

void EmfRecorder::deleteObject(std::uint32_t object) {
  std::uint8_t body[4];
  PutU32(body, object);
  emit(EmfRecordType::DeleteObject, body, sizeof body);
  if (object > 0 && object < kEmfObjectSlots) slotUsed_[object] = false;
}

void EmfRecorder::paintPath(EmfRecordType type, bool stroked) {
  EmfRect box = pathEmpty_ ? EmfRect{0, 0, -1, -1} : pathBounds_;
  if (stroked && !pathEmpty_) {
    const std::int32_t half = (std::max(selectedPenWidth_, 1) + 1) / 2;
    box = {box.left - half, box.top - half, box.right + half, box.bottom + half};
  }
  std::uint8_t body[16];
  PutRect(body, box);
  emit(type, body, sizeof body);
  if (!pathEmpty_) {
    bounds_ = drawn_ ? Union(bounds_, box) : box;
    drawn_ = true;
  }
  pathEmpty_ = true;
}

void EmfRecorder::fillPath() { paintPath(EmfRecordType::FillPath, false); }
void EmfRecorder::strokeAndFillPath() { paintPath(EmfRecordType::StrokeAndFillPath, true); }
void EmfRecorder::strokePath() { paintPath(EmfRecordType::StrokePath, true); }

void EmfRecorder::finish() {
  std::uint8_t body[kEofBodyBytes];
  PutU32(body, 0);                                     // no palette entries
  PutU32(body + 4, kRecordHeadBytes + 8);              // where they would start
  PutU32(body + 8, kRecordHeadBytes + kEofBodyBytes);  // this record's size, repeated
  emit(EmfRecordType::Eof, body, sizeof body);
}

}  // namespace vl::platform
