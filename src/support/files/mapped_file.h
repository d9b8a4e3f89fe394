#pragma once
#include <cstddef>

#include "support/text/text_block.h"

namespace vantrel {

// Maps a regular file of `size` bytes, open as `fd`, for reading, followed
// by zero bytes (its final NUL and the padding): no copy is made, and the
// system's cached pages of the file are used as they are. Every page is
// checked to be readable first; if one is not, or the file cannot be
// mapped, the result is false and the caller reads the file instead. Should
// the file shrink later, while it is converted, what is gone reads as zero
// bytes: the run goes on as if the file ended there.
bool mapWholeFile(int fd, size_t size, TextBlock& block);

// Files smaller than this are read: mapping them would not pay. (A mapped
// file is a block that freeBlock unmaps.)
inline constexpr size_t mapFilesFrom = mappedBlocksFrom;

}  // namespace vantrel
