#include "support/text/big_block.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/faults/faults.h"

#if defined(__linux__)
#include <sys/mman.h>
#define VANTREL_MAPPED_BLOCKS 1
#endif

// ThreadSanitizer does not follow pages that mremap moves: the moved block
// would keep the old block's access history and show races that are not
// there, and hide ones that are. Under it, a block grows by a new mapping,
// a copy and an unmapping.
#if defined(__SANITIZE_THREAD__)
#define VANTREL_GROW_BY_COPY 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTREL_GROW_BY_COPY 1
#endif
#endif

namespace vantrel {

namespace {

constexpr size_t maxSize = static_cast<size_t>(PTRDIFF_MAX);

#if defined(VANTREL_MAPPED_BLOCKS)
constexpr size_t hugePage = size_t{2} << 20;

bool isMapped(size_t capacity) { return capacity >= mappedBlocksFrom; }

size_t roundToHugePages(size_t size) {
  if (size > maxSize - hugePage) raiseOutOfMemory();
  return (size + hugePage - 1) & ~(hugePage - 1);
}

void askHugePages(char* data, size_t size) {
#if defined(MADV_HUGEPAGE)
  madvise(data, size, MADV_HUGEPAGE);
#endif
}

char* mapBlock(size_t& capacity) {
  capacity = roundToHugePages(capacity);
  void* data = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (data == MAP_FAILED) raiseOutOfMemory();
  askHugePages(static_cast<char*>(data), capacity);
  return static_cast<char*>(data);
}
#endif

char* mallocBlock(size_t capacity) {
  auto* data = static_cast<char*>(std::malloc(capacity == 0 ? 1 : capacity));
  if (data == nullptr) raiseOutOfMemory();
  return data;
}

}  // namespace

char* allocateBlock(size_t& capacity) {
  if (capacity > maxSize) raiseOutOfMemory();
#if defined(VANTREL_MAPPED_BLOCKS)
  if (isMapped(capacity)) return mapBlock(capacity);
#endif
  return mallocBlock(capacity);
}

char* resizeBlock(char* data, size_t oldCapacity, size_t& capacity) {
  if (capacity > maxSize) raiseOutOfMemory();
  if (data == nullptr) return allocateBlock(capacity);
#if defined(VANTREL_MAPPED_BLOCKS)
  if (isMapped(oldCapacity)) {
#if defined(VANTREL_GROW_BY_COPY)
    char* grown = mapBlock(capacity);
    std::memcpy(grown, data, oldCapacity < capacity ? oldCapacity : capacity);
    munmap(data, oldCapacity);
    return grown;
#else
    capacity = roundToHugePages(capacity);
    void* moved = mremap(data, oldCapacity, capacity, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) raiseOutOfMemory();
    askHugePages(static_cast<char*>(moved), capacity);
    return static_cast<char*>(moved);
#endif
  }
  if (isMapped(capacity)) {
    char* mapped = mapBlock(capacity);
    std::memcpy(mapped, data, oldCapacity < capacity ? oldCapacity : capacity);
    std::free(data);
    return mapped;
  }
#endif
  (void)oldCapacity;
  auto* resized = static_cast<char*>(std::realloc(data, capacity == 0 ? 1 : capacity));
  if (resized == nullptr) raiseOutOfMemory();
  return resized;
}

void freeBlock(char* data, size_t capacity) {
  if (data == nullptr) return;
#if defined(VANTREL_MAPPED_BLOCKS)
  if (isMapped(capacity)) {
    munmap(data, capacity);
    return;
  }
#endif
  (void)capacity;
  std::free(data);
}

}  // namespace vantrel
