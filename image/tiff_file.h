// Bounded access to a TIFF file: every read is checked against the file's size before it is
// made, offsets are relative to the start of the TIFF data (which a DOS EPS file places
// further in), and numbers are decoded in the file's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/byte_order.h"
#include "platform/file_io.h"

namespace vl::image {

// Outcome of a TIFF reading step: 0, the number of the message to show, or kTiffStopped when
// the user stopped the read (nothing to show).
using TiffStatus = int;
constexpr TiffStatus kTiffOk = 0;
constexpr TiffStatus kTiffStopped = -1;

struct TiffFile {
  platform::FileHandle handle = platform::kNoFile;
  std::uint64_t fileBytes = 0;  // size of the whole file
  std::uint64_t base = 0;       // where the TIFF data starts (tiffBase), bytes
  platform::ByteOrder order = platform::ByteOrder::kLittleEndian;

  // Bytes of TIFF data from base to the end of the file.
  std::uint64_t dataBytes() const { return fileBytes > base ? fileBytes - base : 0; }
  // Whether count bytes at offset (from base) lie wholly inside the file.
  bool contains(std::uint64_t offset, std::uint64_t count) const {
    const std::uint64_t size = dataBytes();
    return offset <= size && count <= size - offset;
  }
  // Reads count bytes at offset (from base); false, with nothing promised about out, when they
  // do not all lie inside the file or the read comes up short.
  bool read(std::uint64_t offset, void* out, std::size_t count) const;

  std::uint16_t load16(const std::uint8_t* p) const {
    return order == platform::ByteOrder::kLittleEndian ? platform::LoadLe16(p) : platform::LoadBe16(p);
  }
  std::uint32_t load32(const std::uint8_t* p) const {
    return order == platform::ByteOrder::kLittleEndian ? platform::LoadLe32(p) : platform::LoadBe32(p);
  }
  bool bigEndian() const { return order == platform::ByteOrder::kBigEndian; }
};

// Describes handle: its size, base 0, little-endian until the header says otherwise. False when
// the size cannot be had.
bool OpenTiffFile(platform::FileHandle handle, TiffFile& file);

}  // namespace vl::image
