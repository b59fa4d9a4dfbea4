// The art writers' 2048-byte output buffer. Text accumulates in one budgeted block; a full
// block goes to the file and the text continues at its start. Lines end with a lone CR, the
// line end of the art file format. Every write is checked: the first short write shows the
// disk message (the scratch-disk one for unattended clipboard data) and raises the abort
// flag, and the buffer writes nothing more afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/runtime.h"
#include "platform/file_io.h"
#include "platform/memory_block.h"

namespace vl::art {

constexpr std::size_t kOutputBufferBytes = 2048;
constexpr char kLineEnd = '\r';

class OutputBuffer {
 public:
  OutputBuffer(base::Runtime& rt, platform::FileHandle file, bool unattended)
      : rt_(rt), file_(file), unattended_(unattended) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Takes the 2048-byte block from the memory budget; false when memory is short.
  bool allocate();

  void put(std::string_view text);
  void put(char c) { put(std::string_view(&c, 1)); }
  void putInt(long long value);
  // text followed by the CR line end.
  void line(std::string_view text);
  void endLine() { put(kLineEnd); }

  // Sends what the buffer holds to the file.
  void flush();
  // Flushes, then writes bytes straight to the file (the prolog resource).
  void writeRaw(const void* data, std::size_t bytes);

  // A write came up short (the message was shown); nothing is written any more.
  bool failed() const { return failed_; }

 private:
  void send(const void* data, std::size_t bytes);

  base::Runtime& rt_;
  platform::FileHandle file_;
  bool unattended_;
  platform::Block block_;
  std::size_t used_ = 0;  // bytes of block_ holding text not yet written
  bool failed_ = false;
};

}  // namespace vl::art
