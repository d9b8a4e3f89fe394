#include "support/byte_text.h"

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <utility>

#include "support/faults.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantrel {

namespace {

// A block this large is mapped by the system on its own; ask for huge pages
// there, which saves most of the page faults of filling it.
constexpr size_t hugeBlock = size_t{8} << 20;

// No object may be larger than the largest pointer difference.
constexpr size_t maxSize = static_cast<size_t>(PTRDIFF_MAX);

void adviseHugePages([[maybe_unused]] char* data, [[maybe_unused]] size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size < hugeBlock) return;
  constexpr uintptr_t page = 2u << 20;
  auto begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  auto end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

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
    std::free(data_);
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

ByteText::~ByteText() { std::free(data_); }

void ByteText::reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  if (capacity > maxSize) raiseOutOfMemory();
  auto* data = static_cast<char*>(std::realloc(data_, capacity));
  if (data == nullptr) raiseOutOfMemory();
  data_ = data;
  capacity_ = capacity;
  adviseHugePages(data_, capacity_);
}

void ByteText::grow(size_t count) {
  if (count > maxSize - size_) raiseOutOfMemory();
  size_t wanted = size_ + count;
  size_t doubled = capacity_ > maxSize / 2 ? maxSize : capacity_ * 2;
  reserve(wanted > doubled ? wanted : (doubled < 64 ? 64 : doubled));
}

std::ostream& operator<<(std::ostream& out, const ByteText& text) { return out << text.view(); }

}  // namespace vantrel
