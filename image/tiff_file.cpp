// Bounded reads from a TIFF file.
#include "image/tiff_file.h"

namespace vl::image {

bool TiffFile::read(std::uint64_t offset, void* out, std::size_t count) const {
  if (!contains(offset, count)) return false;
  if (count == 0) return true;
  const std::uint64_t at = base + offset;  // cannot wrap: at + count <= fileBytes
  return platform::SeekTo(handle, static_cast<std::int64_t>(at)) &&
         platform::ReadBytes(handle, out, count) == count;
}

bool OpenTiffFile(platform::FileHandle handle, TiffFile& file) {
  const std::int64_t size = platform::FileSize(handle);
  if (size < 0) return false;
  file = TiffFile{};
  file.handle = handle;
  file.fileBytes = static_cast<std::uint64_t>(size);
  return true;
}

}  // namespace vl::image
