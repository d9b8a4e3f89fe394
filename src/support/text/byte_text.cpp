#include "support/text/byte_text.h"

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <utility>

#include "support/faults/faults.h"
#include "support/text/big_block.h"

namespace vantrel {

namespace {

// No object may be larger than the largest pointer difference.
constexpr size_t maxSize = static_cast<size_t>(PTRDIFF_MAX);

constexpr size_t largeTextFrom = size_t{64} << 10;

}  // namespace

ByteText::ByteText(ByteText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteText& ByteText::operator=(const ByteText& other) {
  if (this != &other) *this = other.view();
  return *this;
}

ByteText& ByteText::operator=(ByteText&& other) noexcept {
  if (this != &other) {
    freeBlock(data_, capacity_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteText& ByteText::operator=(std::string_view text) {
  clear();
  append(text);
  return *this;
}

ByteText::~ByteText() { freeBlock(data_, capacity_); }

void ByteText::reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  data_ = resizeBlock(data_, capacity_, capacity);
  capacity_ = capacity;
}

void ByteText::grow(size_t count) {
  if (count > maxSize - size_) raiseOutOfMemory();
  size_t wanted = size_ + count;
  size_t doubled = capacity_ > maxSize / 2 ? maxSize : capacity_ * 2;
  size_t capacity = wanted > doubled ? wanted : (doubled < 64 ? 64 : doubled);
  // A text past this size is on its way to a large one: it takes a mapped
  // block at once, whose pages come whole, rather than growing through the
  // small pages of malloc, each of which costs a fault when first written.
  if (capacity >= largeTextFrom && capacity < mappedBlocksFrom) capacity = mappedBlocksFrom;
  reserve(capacity);
}

std::ostream& operator<<(std::ostream& out, const ByteText& text) { return out << text.view(); }

}  // namespace vantrel
