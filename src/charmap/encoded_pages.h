#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "charmap/char_map.h"

namespace vantrel {

// A code's text as the converter writes it: the entry's bytes in the low 32
// bits (in memory order), its length in bits 32 to 39, and in bit 63 a mark
// for the codes that end a run of plain characters (backslash, form feed,
// and escaped mark-up), which the walk must see to itself. Bit 62 marks an
// entry whose mark-up characters are written as entities: the fast paths
// never copy it, the walk writes it with putEscapedMarkup. A space is always
// a space: a blank is written as one, whatever the page says.
using EncodedChar = uint64_t;

inline constexpr EncodedChar endsPlainRun = uint64_t{1} << 63;
inline constexpr EncodedChar escapedMarkup = uint64_t{1} << 62;

inline size_t encodedLength(EncodedChar code) { return static_cast<size_t>((code >> 32) & 0xFF); }

// Writes the code's bytes at `out` (always four bytes; `encodedLength` of them count).
inline void putEncoded(char* out, EncodedChar code) {
  auto image = static_cast<uint32_t>(code);
  std::memcpy(out, &image, 4);
}

// The entity that stands for a byte mark-up would read ("&", "<", ">",
// '"'), or none.
std::string_view markupEntity(char byte);

// The most bytes putEscapedMarkup writes: four entities of six bytes.
inline constexpr size_t longestEscapedChar = 24;

// Writes the code's bytes at `out` with "&", "<", ">" and '"' as "&amp;",
// "&lt;", "&gt;" and "&quot;"; returns how many it wrote.
size_t putEscapedMarkup(char* out, EncodedChar code);

// The map's four pages with every entry encoded once, so that writing a
// character is one table read. `asciiIdentity` tells that a page maps every
// code from 0x21 to 0x7F but the backslash to that same single byte, as the
// defaults do, with no mark-up escaped: runs of such characters can then be
// copied as they stand.
//
// The same entries split into byte planes serve the 64-byte copy: planes 0
// to 3 hold each entry's bytes, plane 4 its length, with bit 7 set for a
// code that ends a plain run.
struct PagePlanes {
  alignas(64) uint8_t plane[5][256];
  // The page keeps ASCII as it is, and only the backslash and the form feed
  // end a run among those codes: the copy then works the bytes out as
  // Latin-1 (each code the UTF-8 form of the character of its number)
  // instead of looking them up, except for the codes from 0x80 up whose
  // `notLatin1` entry (at code - 0x80) is set.
  bool latin1 = false;
  alignas(64) uint8_t notLatin1[128] = {};
  // Only the backslash and the form feed end a run (no entry is escaped).
  bool escapesStopOnly = false;
};
struct EncodedPages {
  EncodedChar codes[pageCount][256];
  bool asciiIdentity[pageCount];
  PagePlanes planes[pageCount];
};

// With `escapeMarkup` every entry that holds "&", "<", ">" or '"' is marked
// for escaping.
void encodePages(const CharMap& map, EncodedPages& encoded, bool escapeMarkup = false);

// The encoded page that font `font` (0 to 20) reads; a font or page outside
// its range is a range fault.
const EncodedChar* pageOfFont(const CharMap& map, const EncodedPages& encoded, uint8_t font);

}  // namespace vantrel
