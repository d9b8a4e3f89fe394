#include "support/text/text_block.h"

#include <cstring>

#include "support/faults/faults.h"

namespace vantrel {

TextBlock newTextBlock(size_t size) {
  if (size > SIZE_MAX - 1 - textPadding) raiseOutOfMemory();
  size_t capacity = size + 1 + textPadding;
  TextBlock block;
  char* data = allocateBlock(capacity);
  block.bytes = std::unique_ptr<char[], BlockRelease>(data, BlockRelease{capacity});
  block.size = size;
  std::memset(data + size, 0, 1 + textPadding);
  return block;
}

void cutTextBlock(TextBlock& block, size_t size) {
  if (size >= block.size) return;
  std::memset(block.bytes.get() + size, 0, 1 + textPadding);
  block.size = size;
}

TextBlock textBlockOf(std::string_view text) {
  TextBlock block = newTextBlock(text.size());
  if (!text.empty()) std::memcpy(block.bytes.get(), text.data(), text.size());
  return block;
}

}  // namespace vantrel
