#pragma once
#include <cstddef>
#include <memory>
#include <string_view>

#include "support/text/big_block.h"

namespace vantrel {

// Zero bytes after a text block's final NUL, so that a scan may read a
// whole vector of bytes past it.
inline constexpr size_t textPadding = 64;

// A block of bytes read from a file, followed by one NUL byte that `size`
// does not count, and by the padding. Sizes are 64-bit: documents of 2 GiB
// and more are fine.
struct TextBlock {
  std::unique_ptr<char[], BlockRelease> bytes;
  size_t size = 0;
};

// A block with room for `size` bytes; the final NUL and the padding are set.
TextBlock newTextBlock(size_t size);

// Shortens the text to `size` bytes (a file that turned out shorter).
void cutTextBlock(TextBlock& block, size_t size);

// A block holding a copy of `text`.
TextBlock textBlockOf(std::string_view text);

}  // namespace vantrel
