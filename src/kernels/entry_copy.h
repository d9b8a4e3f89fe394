#pragma once
#include <cstddef>

#include "convert/encoded_map.h"
#include "kernels/kernel.h"

namespace vantrel {

// The copy of a run through a page entry by entry, until a code whose entry
// ends a plain run; returns where it stopped. Every kernel's way for the
// pages, or the blocks, that its vectors do not cover.
inline size_t copyEntries(const char* text, size_t i, size_t end, const EncodedChar* codes, char*& out) {
  char* o = out;
  while (i + 4 <= end) {
    EncodedChar a = codes[static_cast<unsigned char>(text[i])];
    EncodedChar b = codes[static_cast<unsigned char>(text[i + 1])];
    EncodedChar c = codes[static_cast<unsigned char>(text[i + 2])];
    EncodedChar d = codes[static_cast<unsigned char>(text[i + 3])];
    if (((a | b | c | d) & endsPlainRun) != 0) break;
    putEncoded(o, a);
    o += encodedLength(a);
    putEncoded(o, b);
    o += encodedLength(b);
    putEncoded(o, c);
    o += encodedLength(c);
    putEncoded(o, d);
    o += encodedLength(d);
    i += 4;
  }
  for (; i < end; ++i) {
    EncodedChar code = codes[static_cast<unsigned char>(text[i])];
    if ((code & endsPlainRun) != 0) break;
    putEncoded(o, code);
    o += encodedLength(code);
  }
  out = o;
  return i;
}

}  // namespace vantrel
