#pragma once
#include <cstddef>
#include <cstdint>

namespace vantrel {

// Sets `words[w]`, for w from `first` up to (not including) `last`, to the
// bits of the CRs, LFs and NULs among the 64 bytes at `text + 64 * w`, as
// crLfNulMask64 gives them. With `wideVectors` (where wideVectorsUsable
// holds) a block takes one 64-byte load; else four 16-byte ones.
void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words, bool wideVectors);

}  // namespace vantrel
