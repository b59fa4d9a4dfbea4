// The art writers' output buffer.
#include "art/art_output_buffer.h"

#include <cstring>

#include "base/scratch_files.h"

namespace vl::art {

bool OutputBuffer::allocate() { return block_.allocate(rt_.memory, kOutputBufferBytes); }

void OutputBuffer::put(std::string_view text) {
  if (failed_ || block_.empty()) return;
  while (!text.empty()) {
    std::size_t room = kOutputBufferBytes - used_;
    std::size_t n = text.size() < room ? text.size() : room;
    std::memcpy(block_.data() + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
    if (used_ == kOutputBufferBytes) flush();
    if (failed_) return;
  }
}

void OutputBuffer::putInt(long long value) {
  // Integer formatting by hand: the writers format numbers without the C library's locale.
  char digits[24];
  int n = 0;
  unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                   : static_cast<unsigned long long>(value);
  do {
    digits[sizeof digits - 1 - n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (value < 0) digits[sizeof digits - 1 - n++] = '-';
  put(std::string_view(digits + sizeof digits - n, static_cast<std::size_t>(n)));
}

void OutputBuffer::line(std::string_view text) {
  put(text);
  endLine();
}

void OutputBuffer::flush() {
  if (used_ == 0) return;
  std::size_t n = used_;
  used_ = 0;
  send(block_.data(), n);
}

void OutputBuffer::writeRaw(const void* data, std::size_t bytes) {
  flush();
  send(data, bytes);
}

void OutputBuffer::send(const void* data, std::size_t bytes) {
  if (failed_ || bytes == 0) return;
  // CheckedWrite shows message 12, or 13 while clipboard data is written, and raises the
  // abort flag; it also refuses to write while that flag is up, so the save driver lowers a
  // user's stop request before it writes the trailer.
  bool clipboard = rt_.app.clipboardExportActive;
  rt_.app.clipboardExportActive = unattended_;
  if (base::CheckedWrite(rt_, file_, data, bytes) != bytes) failed_ = true;
  rt_.app.clipboardExportActive = clipboard;
}

}  // namespace vl::art
