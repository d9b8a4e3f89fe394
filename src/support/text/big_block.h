#pragma once
#include <cstddef>
#include <memory>

namespace vantrel {

// Memory for the large texts (the document, the result, the buffers the
// lines are read into). A block of a MiB and more is mapped from the system
// on its own, in whole huge pages, with huge pages asked for (far fewer page
// faults when it is filled), and it grows by remapping
// its pages, never by copying them. Smaller blocks come from malloc.
// `capacity` is in and out: the size asked for, then the size granted.
// Exhausted memory raises EOutOfMemory.
char* allocateBlock(size_t& capacity);
char* resizeBlock(char* data, size_t oldCapacity, size_t& capacity);
void freeBlock(char* data, size_t capacity);

// Blocks from this size on are mapped (where the system allows).
inline constexpr size_t mappedBlocksFrom = size_t{1} << 20;

// Frees a block held by a std::unique_ptr: a block of `mappedBlocksFrom`
// bytes and more is unmapped, a smaller one freed, and one borrowed from
// another owner left alone.
struct BlockRelease {
  size_t capacity = 0;
  bool borrowed = false;
  void operator()(char* data) const {
    if (!borrowed) freeBlock(data, capacity);
  }
};
using BlockPointer = std::unique_ptr<char[], BlockRelease>;

// A new block of at least `capacity` bytes; `capacity` becomes the size granted.
inline BlockPointer newBlock(size_t& capacity) {
  char* data = allocateBlock(capacity);
  return BlockPointer(data, BlockRelease{capacity});
}

}  // namespace vantrel
