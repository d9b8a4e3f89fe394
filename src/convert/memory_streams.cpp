#include <cstring>

#include "vantrel/vantrel.h"

namespace vantrel {

size_t MemorySource::read(char* into, size_t size) {
  size_t count = size < text_.size() ? size : text_.size();
  if (count > 0) std::memcpy(into, text_.data(), count);
  text_.remove_prefix(count);
  return count;
}

size_t MemorySink::takeBack(char* into, size_t count) {
  if (count > text.size()) count = text.size();
  std::memcpy(into, text.data() + text.size() - count, count);
  text.resize(text.size() - count);
  return count;
}

}  // namespace vantrel
