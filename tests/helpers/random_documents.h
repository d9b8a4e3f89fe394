#pragma once
// Random documents and maps for the differential tests: the pieces that
// documents are made of (the tricky ones often), long rows of text with
// escapes and marks, maps with entries of every length, and a source that
// hands a document out in blocks of random sizes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "charmap/char_map.h"
#include "vantrel/streams.h"

namespace vantrel::testing {

struct Random {
  uint64_t state;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t below(size_t n) { return static_cast<size_t>(next() % n); }
};

// Pieces that documents are made of, the tricky ones often.
extern const std::vector<std::string> documentPieces;

// Up to 60 pieces and line ends.
std::string randomDocument(Random& rng);

// Row groups of long base rows of plain text with escapes now and then,
// and marks among spaces in some upper and lower rows.
std::string randomTextDocument(Random& rng);

// The default map, or one with fonts on random pages and entries of no
// byte up to four (mark-up among them).
CharMap randomMap(Random& rng);

// Hands out a document in blocks of random sizes, from one byte up.
class ChoppedSource : public ByteSource {
 public:
  ChoppedSource(std::string_view text, Random& rng) : text_(text), rng_(rng) {}
  size_t read(char* into, size_t size) override;

 private:
  std::string_view text_;
  Random& rng_;
};

}  // namespace vantrel::testing
