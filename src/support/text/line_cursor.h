#pragma once
#include <cstring>
#include <string_view>

#include "support/text/byte_scan.h"
#include "support/text/text_block.h"

namespace vantrel {

// Reads the lines of a text one after the other, without a line table: a
// line ends at CR or CR LF, a lone LF is an ordinary byte, a NUL where a line
// would begin ends the text, and a line's text stops at its first NUL.
struct LineCursor {
  const char* next = nullptr;  // first byte of the next line
  const char* end = nullptr;   // the text's final NUL
};

// A cursor on the first line of `block` (made by newTextBlock: its bytes end
// with a NUL and padding).
inline LineCursor firstLine(const TextBlock& block) {
  const char* text = block.bytes.get();
  if (text == nullptr) return {};
  return {text, text + block.size};
}

inline bool atEnd(const LineCursor& cursor) { return cursor.next == nullptr || *cursor.next == '\0'; }

// The next line; an empty text once the lines are used up.
inline std::string_view takeLine(LineCursor& cursor) {
  if (atEnd(cursor)) return {};
  const char* start = cursor.next;
  const char* stop = findCrOrNul(start);
  const char* cr = stop;
  if (*stop == '\0') {
    // A NUL inside the line ends its text, not the line: that ends at the next CR.
    cr = stop == cursor.end ? nullptr
                            : static_cast<const char*>(std::memchr(stop, '\r', static_cast<size_t>(cursor.end - stop)));
  }
  if (cr == nullptr) {
    cursor.next = cursor.end;
  } else {
    cursor.next = cr[1] == '\n' ? cr + 2 : cr + 1;
  }
  return std::string_view(start, static_cast<size_t>(stop - start));
}

}  // namespace vantrel
