#pragma once
#include <cstddef>
#include <memory>

namespace vantrel {

// A block of bytes read from a file, followed by one NUL byte that `size`
// does not count. Sizes are 64-bit: documents of 2 GiB and more are fine.
struct TextBlock {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
};

}  // namespace vantrel
