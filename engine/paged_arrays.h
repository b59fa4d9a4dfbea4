// Paged arrays: arrays of any length kept in a fixed window of the work area, with the rest
// in a scratch file that is created on the first spill. Whole windows move between memory and
// file, never single elements, so access inside a window is a bounds test and an indexed load.
//
// Each array addresses its file by logical position: unit n of the array lies at byte n (chain)
// or 2 x n (word arrays) of the file, and the window shows the units [base, base + S), base a
// multiple of S. The scratch handles live in the conversion state, so that CleanUpScratchFiles
// closes and deletes the files. A file that cannot be created shows message 155 and sets
// abortRequested; a short write shows message 12 or 13 (CheckedWrite). Reads are not checked:
// a window keeps what was read. After an abort no file is created and nothing is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/runtime.h"
#include "platform/memory_block.h"

namespace vl::engine {

// Any byte with the top bit set ends a chain record; reads past the record give this one.
constexpr std::uint8_t kChainEnd = 0xFF;
constexpr std::size_t kChainHeaderBytes = 4;  // start x and start y, 16-bit little-endian

// The chain buffer ("edgearr"): the chain-code record of the boundary being followed.
// Written forward from startRecord() to finishRecord(), then read at any byte offset.
class ChainBuffer {
 public:
  ChainBuffer(base::Runtime& rt, std::uint8_t* window, std::size_t sizeBytes);

  // Starts a new record with its start point: writing at offset 0, not spilled. False when
  // the header itself had to spill and could not.
  bool startRecord(std::int16_t startX, std::int16_t startY);
  // Appends one byte. A full buffer is first written whole to "edgearr" (created on the first
  // spill; the abort poll runs before the write). False, and the byte dropped, when the file
  // cannot be created or written or the user aborted.
  bool append(std::uint8_t code);
  // Replaces the last byte written (the end marker that a centre-line trace takes back).
  void overwriteLast(std::uint8_t code);
  // Ends the record. A spilled record has the filled part of the buffer written, the abort
  // poll run, and its first buffer-full read back. False on failure or abort.
  bool finishRecord();

  // The byte at a record offset (header included). A spilled record loads the buffer-full
  // that holds it (the next one when reading forward, the previous one when stepping back).
  // Offsets outside the record read kChainEnd; so does an offset outside the buffer while a
  // spilled record is still being written.
  std::uint8_t byteAt(std::int64_t offsetBytes);
  // The record's bytes [fromOffset, toOffset) when the buffer-full held has them all, else
  // empty (byteAt then reads them): a span's codes without a call per byte.
  std::span<const std::uint8_t> heldBytes(std::int64_t fromOffset, std::int64_t toOffset) const;

  // The whole record in one block (for simplifying records over 64000 codes). False when the
  // block cannot be allocated; the record is unchanged.
  bool readAll(platform::Block& out);
  // Replaces the record by `record` (header included, as readAll gives it): kept in the buffer
  // when it fits and nothing is spilled, else written over "edgearr" from offset 0 with its
  // first buffer-full held. False on failure.
  bool replaceRecord(std::span<const std::uint8_t> record);
  // Appends a copy of the record's bytes [fromOffset, toOffset) (codes, toOffset at most the
  // end byte's offset) over its end byte and writes a new end byte after them: the curve
  // fitter runs a polygon past its start point this way. Stays in the buffer while the longer
  // record fits it unspilled; otherwise goes through "edgearr" a buffer-full at a time and
  // holds the first buffer-full again. False on failure or abort, the record then unusable
  // (the conversion is winding down).
  bool extendRecord(std::int64_t fromOffset, std::int64_t toOffset);

  std::int16_t startX() const { return startX_; }
  std::int16_t startY() const { return startY_; }
  std::int64_t lengthBytes() const;
  bool spilled() const { return spilled_; }
  std::size_t sizeBytes() const { return size_; }
  std::int64_t heldOffset() const { return held_; }  // file offset of the buffer-full held

 private:
  bool SpillChain();
  void load(std::int64_t offsetBytes);

  base::Runtime& rt_;
  std::uint8_t* window_;
  std::size_t size_;
  std::int64_t held_ = 0;      // record offset of window_[0]
  std::int64_t writePos_ = 0;  // while writing: bytes filled in the buffer
  std::int64_t length_ = 0;    // once finished: the record's length
  bool writing_ = false;
  bool spilled_ = false;
  std::int16_t startX_ = 0, startY_ = 0;
};

// The point window ("seglist"): the (x, y) points of the polygon side being grown, as 16-bit
// words, written forward and read forward and backward by whole windows.
class PointWindow {
 public:
  PointWindow(base::Runtime& rt, std::int16_t* window, std::size_t sizeWords);

  // Appends a word. When the window is full: "seglist" is created on the first spill, the
  // abort poll runs, the window is written at byte 2 x base, base += S and writing continues
  // at the window's start. False, and the word dropped, on failure or abort.
  bool push(std::int16_t word);
  // Word `index` of the array. Stepping before the window writes it back and reads the
  // earlier one; stepping past it reads the later one (writing it back first only if it was
  // changed since it was read, which the point writer never leaves behind).
  std::int16_t wordAt(std::int64_t index);
  bool setWordAt(std::int64_t index, std::int16_t value);
  // Drops the words from `lengthWords` on (the points after a candidate break point).
  void truncate(std::int64_t lengthWords);
  // Empties the list for a new side: a window with base not 0 is written back and the window
  // for base 0 read.
  bool resetForNewSide();

  std::int64_t lengthWords() const { return end_; }
  std::int64_t base() const { return base_; }  // in words
  bool spilled() const { return spilled_; }
  std::size_t sizeWords() const { return size_; }

 private:
  bool SpillPoints();
  bool pageTo(std::int64_t index);
  bool writeWindow();
  void readWindow();

  base::Runtime& rt_;
  std::int16_t* window_;
  std::int64_t size_;
  std::int64_t base_ = 0;  // in words, a multiple of size_
  std::int64_t end_ = 0;   // words in the list
  bool dirty_ = false;     // the window changed since it was read or written
  bool spilled_ = false;
};

// The vertex window ("linarr"): the vertex records (engine/vertex_record.h) of the outline
// being traced, at random access relative to the vertex cursor.
class VertexWindow {
 public:
  VertexWindow(base::Runtime& rt, std::int16_t* window, std::size_t sizeWords);

  // The vertex cursor: a logical byte offset into the whole array (even).
  std::int64_t cursor() const { return cursor_; }
  void setCursor(std::int64_t offsetBytes) { cursor_ = offsetBytes; }
  void moveCursor(std::int64_t deltaBytes) { cursor_ += deltaBytes; }
  // Cursor back to the array's start, where the list is rebuilt. The window is not relabelled
  // as base 0: it would carry its words into the first window when next written back. The
  // next access pages the first window in instead.
  void restart() { cursor_ = 0; }

  // The address of word k (may be negative) of the record at the cursor, paging the window
  // that holds it in: i = (cursor - base) / 2 + k; outside [0, S) "linarr" is created if
  // needed, the window written at file offset base, base = (cursor / 2 + k) rounded down to
  // whole windows (in bytes), that window read and word i used. When "linarr" cannot be created,
  // or the word would lie before the array's start, the address of the window's word 0.
  std::int16_t* wordSlot(std::int64_t k);

  std::int64_t base() const { return base_; }  // in bytes, a multiple of 2 x S
  bool spilled() const { return spilled_; }
  std::size_t sizeWords() const { return size_; }

 private:
  base::Runtime& rt_;
  std::int16_t* window_;
  std::int64_t size_;
  std::int64_t cursor_ = 0;
  std::int64_t base_ = 0;
  bool spilled_ = false;
  std::int16_t none_ = 0;  // what an empty window hands out
};

// Word k of the vertex record at the cursor.
std::int16_t VertexWord(VertexWindow& vertices, std::int64_t k);
void SetVertexWord(VertexWindow& vertices, std::int16_t value, std::int64_t k);

}  // namespace vl::engine
