// Budgeted zero-filled blocks. calloc/realloc rather than new[] so that growth can keep the
// contents without a copy and a failure is a null pointer, not an exception.
#include "platform/memory_block.h"

#include <cstdlib>
#include <utility>

namespace vl::platform {

bool MemoryBudget::reserve(std::size_t bytes) {
  if (failAfter_ == 0) return false;
  if (bytes > available()) return false;
  if (failAfter_ > 0) --failAfter_;
  used_ += bytes;
  return true;
}

bool Block::allocate(MemoryBudget& budget, std::size_t bytes) {
  release();
  if (!budget.reserve(bytes)) return false;
  // calloc(0) may return null; keep a real pointer so that an empty-sized block is still "held".
  auto* p = static_cast<std::uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
  if (p == nullptr) {
    budget.release(bytes);
    return false;
  }
  data_ = p;
  size_ = bytes;
  budget_ = &budget;
  return true;
}

bool Block::resize(std::size_t bytes) {
  if (data_ == nullptr) return false;
  if (bytes > size_ && !budget_->reserve(bytes - size_)) return false;
  auto* p = static_cast<std::uint8_t*>(std::realloc(data_, bytes == 0 ? 1 : bytes));
  if (p == nullptr) {
    if (bytes > size_) budget_->release(bytes - size_);
    return false;
  }
  if (bytes > size_) std::memset(p + size_, 0, bytes - size_);
  else budget_->release(size_ - bytes);
  data_ = p;
  size_ = bytes;
  return true;
}

void Block::release() {
  if (data_ == nullptr) return;
  std::free(data_);
  budget_->release(size_);
  data_ = nullptr;
  size_ = 0;
  budget_ = nullptr;
}

}  // namespace vl::platform
