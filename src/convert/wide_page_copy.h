#pragma once
#include <cstddef>
#include <cstdint>

#include "charmap/encoded_pages.h"

namespace vantrel {

// Whether this processor runs the 64-byte page copy (x86-64 with AVX-512
// VBMI2), and the environment does not ask for the floor: VANTREL_VECTORS=sse2
// keeps every conversion on the 16-byte paths, so that tests can run both.
bool wideVectorsUsable();

// Writes the characters from `i` up to `end` through the page given as byte
// planes, 64 at a time, until one that ends a plain run; returns where it
// stopped. The same bytes as a copy entry by entry. Reads whole 64-byte
// blocks (the bytes past `end` count for nothing), so the text must have 64
// readable bytes after `end`, as the line buffers' padding gives; writes
// whole vectors, up to 64 bytes past the last byte it counts.
// Only to be called where wideVectorsUsable() holds.
size_t copyThroughPlanes(const char* text, size_t i, size_t end, const PagePlanes& planes, char*& out);

}  // namespace vantrel
