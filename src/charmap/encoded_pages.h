#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "charmap/char_map.h"

namespace vantrel {

// A code's text as the converter writes it: the entry's bytes in the low 32
// bits (in memory order), its length in bits 32 to 39, and in bit 63 a mark
// for the codes that end a run of plain characters (backslash, form feed),
// which the walk must see to itself. A space is always a space: a blank is
// written as one, whatever the page says.
using EncodedChar = uint64_t;

inline constexpr EncodedChar endsPlainRun = uint64_t{1} << 63;

inline size_t encodedLength(EncodedChar code) { return static_cast<size_t>((code >> 32) & 0xFF); }

// Writes the code's bytes at `out` (always four bytes; `encodedLength` of them count).
inline void putEncoded(char* out, EncodedChar code) {
  auto image = static_cast<uint32_t>(code);
  std::memcpy(out, &image, 4);
}

// The map's four pages with every entry encoded once, so that writing a
// character is one table read. `asciiIdentity` tells that a page maps every
// code from 0x21 to 0x7F but the backslash to that same single byte, as the
// defaults do: runs of such characters can then be copied as they stand.
struct EncodedPages {
  EncodedChar codes[pageCount][256];
  bool asciiIdentity[pageCount];
};

void encodePages(const CharMap& map, EncodedPages& encoded);

// The encoded page that font `font` (0 to 20) reads; a font or page outside
// its range is a range fault.
const EncodedChar* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font);

}  // namespace vantrel
