// Movable memory blocks and the allocation budget they draw from.
// The program never relies on the system running out of memory: every block is charged to a
// MemoryBudget, so tests can lower the limit (or fail the n-th allocation) and reach each
// "Insufficient memory" path and the artwork's discard passes for real.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace vl::platform {

class MemoryBudget {
 public:
  static constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

  void setLimit(std::size_t bytes) { limit_ = bytes; }
  std::size_t limit() const { return limit_; }
  std::size_t used() const { return used_; }
  // Bytes that may still be allocated (what the free-memory query reports).
  std::size_t available() const { return used_ >= limit_ ? 0 : limit_ - used_; }
  // Test hook: after `count` more successful reservations every further one fails; -1 turns it off.
  void failAfter(long count) { failAfter_ = count; }

  bool reserve(std::size_t bytes);
  void release(std::size_t bytes) { used_ -= bytes <= used_ ? bytes : used_; }

 private:
  std::size_t limit_ = kUnlimited;
  std::size_t used_ = 0;
  long failAfter_ = -1;
};

// A zero-filled block charged to a budget. An empty Block plays the part of "handle 0".
// Move-only; it frees itself (and returns its bytes to the budget) when destroyed.
class Block {
 public:
  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  Block(Block&& other) noexcept { swap(other); }
  Block& operator=(Block&& other) noexcept {
    if (this != &other) {
      release();
      swap(other);
    }
    return *this;
  }
  ~Block() { release(); }

  // Frees what the block held, then allocates `bytes` zero-filled. False (and empty) on failure.
  bool allocate(MemoryBudget& budget, std::size_t bytes);
  // Grows or shrinks keeping the contents; growth is zero-filled. On failure the old block stays.
  bool resize(std::size_t bytes);
  void release();

  bool empty() const { return data_ == nullptr; }
  explicit operator bool() const { return data_ != nullptr; }
  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  template <class T>
  T* as() { return reinterpret_cast<T*>(data_); }
  template <class T>
  const T* as() const { return reinterpret_cast<const T*>(data_); }

  void swap(Block& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(budget_, other.budget_);
  }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  MemoryBudget* budget_ = nullptr;
};

}  // namespace vl::platform
