#pragma once
// The character map: which UTF-8 text each 8-bit code of a document stands
// for, font by font.
#include <cstdint>

namespace vantrel {

// One UTF-8 sequence of 1 to 4 bytes packed into 32 bits, the first byte
// most significant: U+00E9 (C3 A9) is 0xC3A9, U+20AC (E2 82 AC) 0xE282AC.
using PackedUtf8 = uint32_t;

constexpr int fontCount = 21;  // fonts 0 to 20
constexpr int pageCount = 4;   // code pages 0 to 3

// Each font reads one code page (`fontPage`); each page gives the text of
// every code. A fixed-size record with no heap storage.
struct CharMap {
  int32_t fontPage[fontCount];
  PackedUtf8 pages[pageCount][256];
};

}  // namespace vantrel
