// The portable kernel: plain C++, a byte at a time (the compiler may widen
// the loops), built on every platform.
#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/block_copy.h"
#include "kernels/kernel.h"

namespace vantrel {

namespace {

uint64_t lineEnds64(const char* p) {
  uint64_t mask = 0;
  for (unsigned k = 0; k < 64; ++k) mask |= uint64_t{p[k] == '\r' || p[k] == '\n' || p[k] == '\0'} << k;
  return mask;
}

void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  findEachBlock(text, first, last, words, lineEnds64);
}

uint64_t markRow(const char* p, uint64_t& stops) {
  uint64_t others = 0;
  stops = 0;
  for (unsigned k = 0; k < 64; ++k) {
    others |= uint64_t{p[k] != ' '} << k;
    stops |= uint64_t{isRunStop(static_cast<uint8_t>(p[k]))} << k;
  }
  return others;
}

size_t copyPlain(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  return copyEntries(text, i, end, page.codes, out);
}

}  // namespace

extern const Kernel scalarKernel{"scalar", runsWhereBuilt, "", findLineEnds, markRow, copyPlain};

}  // namespace vantrel
