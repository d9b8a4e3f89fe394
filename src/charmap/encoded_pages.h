#pragma once
#include <cstdint>

#include "charmap/char_map.h"

namespace vantrel {

// The map's four pages with every entry encoded once, so that writing a
// character is one table read. `asciiIdentity` tells that a page maps every
// code from 0x21 to 0x7F but the backslash to that same single byte, as the
// defaults do: runs of such characters can then be copied as they stand.
struct EncodedPages {
  Utf8Bytes entries[pageCount][256];
  bool asciiIdentity[pageCount];
  // What the converter's fast lane writes for each code: the entry's bytes
  // in the low 32 bits (in memory order) and its length in the high 32 bits;
  // a space is written as a space, and the codes that need the full walk
  // (backslash, form feed) have length 0.
  uint64_t lane[pageCount][256];
};

void encodePages(const CharMap& map, EncodedPages& encoded);

// The encoded page that font `font` (0 to 20) reads; a font or page outside
// its range is a range fault.
const Utf8Bytes* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font);

}  // namespace vantrel
