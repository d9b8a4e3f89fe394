#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "charmap/char_map.h"
#include "convert/run_stops.h"

namespace vantrel {

// A code's text as the converter writes it: the entry's bytes in the low 32
// bits (in memory order), its length in bits 32 to 39, and in bit 63 a mark
// for the codes that end a run of plain characters (the run stops of
// run_stops.h, and escaped mark-up), which the walk must see to itself. Bit
// 62 marks an entry whose mark-up characters are written as entities: the
// kernels never copy it, the walk writes it with putEscapedMarkup. A space
// is always a space: a blank is written as one, whatever the page says.
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

// One code page with every entry encoded once, in the forms the kernels
// read: `codes` entry by entry, and the same entries split into byte planes
// for 64-byte lookups (planes 0 to 3 hold each entry's bytes, plane 4 its
// length, with bit 7 set for a code that ends a plain run).
struct EncodedPage {
  EncodedChar codes[256];
  alignas(64) uint8_t plane[5][256];
  // Set at code - 0x80 for a code from 0x80 up that is not the UTF-8 form
  // of the Latin-1 character of its number (bit 7 set).
  alignas(64) uint8_t notLatin1[128];
  // The same as bits, for 16-entry byte lookups: bit c & 7 of byte
  // (c >> 3) & 15 is set for such a code c.
  alignas(16) uint8_t notLatin1Bits[16];
  // Every code from 0x21 to 0x7F but the backslash stands for that same
  // single byte, with no mark-up escaped: runs of such characters can be
  // copied as they stand.
  bool asciiIdentity;
  // ASCII as it is, and only the run stops end a run among those codes: a
  // kernel may work the bytes out as Latin-1 (each code the UTF-8 form of
  // the character of its number) instead of looking them up, except for the
  // codes marked in `notLatin1`.
  bool latin1;
  bool exactLatin1;  // latin1, and no code marked in `notLatin1`
  // Only the run stops end a run (no entry is escaped).
  bool escapesStopOnly;
};

// A map made ready for conversions: its pages encoded (with mark-up escaped
// or not), and each font's page. Read only once made, so that any number of
// conversions and of parts of one conversion share it.
struct EncodedMap {
  CharMap map;
  bool escapeMarkup = false;
  EncodedPage pages[pageCount];
  // The page each font reads; none for a font whose page lies outside the
  // map (the walk reports it when that font writes a character).
  const EncodedPage* fontPages[fontCount];
};

// With `escapeMarkup` every entry that holds "&", "<", ">" or '"' is marked
// for escaping.
void encodePage(const PackedUtf8 (&entries)[256], EncodedPage& page, bool escapeMarkup);
std::shared_ptr<const EncodedMap> encodeMap(const CharMap& map, bool escapeMarkup);

// The encoded page that font `font` (0 to 20) reads; a font or page outside
// its range is a range fault.
const EncodedPage& pageOfFont(const EncodedMap& encoded, uint8_t font);

}  // namespace vantrel
