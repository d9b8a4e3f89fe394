#include "helpers/random_documents.h"

#include <algorithm>
#include <iterator>

namespace vantrel::testing {

const std::vector<std::string> documentPieces = {
    "\\+",  "\\-", "\\+",  "\\-", "\r\n",  "\r\n",   "\r\n",    "\r",          "\n",        std::string(1, '\0'),
    "\f",   " ",   " ",    "   ", "a",     "b",      "xyz",     "hello world", "\xe9",      "\xff",
    "\x80", "\\",  "\\\\", "\\/", "\\/\f", "\\[",    "\\,",     "\\A",         "\\A\\A\\A", "\\1",
    "\\2",  "\\3", "\\5",  "\\!", "\\*",   "\\\"",   "\\0",     "\\ ",         "\\a",       "\\.",
    "/",    "[",   "+",    "-",   "\\+ 2", "\\-  i", "\\+\\2x", "\\+\\A",      "\\-\f",     "0123456789",
    "\t",   "AAA", "<b>",  "&",   "\"q\"", "a>b",
};

std::string randomDocument(Random& rng) {
  std::string doc;
  size_t count = rng.below(60);
  for (size_t i = 0; i < count; ++i) {
    if (rng.below(4) == 0) {
      doc += "\r\n";
    } else {
      doc += documentPieces[rng.below(documentPieces.size())];
    }
  }
  return doc;
}

namespace {

// Marks among spaces, up to `width` columns, sometimes with spaces after them.
std::string randomMarks(Random& rng, size_t width, char mark) {
  std::string row(rng.below(width), ' ');
  for (char& c : row) c = rng.below(6) == 0 ? static_cast<char>(mark + rng.below(3)) : ' ';
  return row + mark + std::string(rng.below(4) == 0 ? rng.below(5) : 0, ' ');
}

}  // namespace

// Long rows of plain text with escapes and marks now and then: the fast lane's own ground.
std::string randomTextDocument(Random& rng) {
  std::string doc;
  size_t groups = 1 + rng.below(8);
  for (size_t g = 0; g < groups; ++g) {
    doc += "\\+";
    if (rng.below(3) == 0) doc += randomMarks(rng, 50, '2');
    doc += "\r\n";
    size_t length = rng.below(300);
    for (size_t i = 0; i < length; ++i) {
      size_t roll = rng.below(100);
      if (roll < 60) {
        doc += static_cast<char>('a' + rng.below(26));
      } else if (roll < 75) {
        doc += ' ';
      } else if (roll < 82) {
        doc += static_cast<char>(0x80 + rng.below(128));
      } else if (roll < 97) {
        doc += documentPieces[rng.below(documentPieces.size())];
      } else {
        doc += static_cast<char>(0x21 + rng.below(0x5F));
      }
    }
    doc += "\r\n";
    if (rng.below(2) == 0) {
      doc += "\\-";
      if (rng.below(2) == 0) doc += randomMarks(rng, 80, 'i');
      doc += "\r\n";
    }
  }
  return doc;
}

CharMap randomMap(Random& rng) {
  CharMap map;
  resetCharMap(map);
  if (rng.below(3) == 0) return map;
  for (int32_t& page : map.fontPage) page = static_cast<int32_t>(rng.below(4));
  for (int n = 0; n < 40; ++n) {
    const PackedUtf8 values[] = {0x41, 0xC3A9, 0xE282AC, 0xF09F9880, 0x20, 0x5C, 0x0C,
                                 0,    0xC3C3, 0x26,     0x3C,       0x3E, 0x22, 0x3C263E80};
    map.pages[rng.below(4)][rng.below(256)] = values[rng.below(std::size(values))];
  }
  return map;
}

size_t ChoppedSource::read(char* into, size_t size) {
  size_t count = std::min({size, text_.size(), 1 + rng_.below(rng_.below(2) == 0 ? 8 : 5000)});
  text_.copy(into, count);
  text_.remove_prefix(count);
  return count;
}

}  // namespace vantrel::testing
