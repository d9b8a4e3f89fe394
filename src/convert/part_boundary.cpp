#include "convert/part_boundary.h"

#include <cstring>

namespace vantrel {

namespace {

// Whether the line starting at `start` begins with "\" and `marker`. A
// marker is never a CR, so both bytes lie in the line when they match.
bool beginsRow(std::string_view text, size_t start, char marker) {
  return start + 1 < text.size() && text[start] == '\\' && text[start + 1] == marker;
}

// The start of the line that the CR at `cr` ends: after the CR (and its LF)
// before it, or the start of the text.
size_t lineStartBefore(std::string_view text, size_t cr) {
  size_t at = cr;
  while (at > 0 && text[at - 1] != '\r') --at;
  if (at > 0 && at < cr && text[at] == '\n') ++at;
  return at;
}

// The CR that ends the line before the one starting at `start` (> 0).
size_t crBefore(std::string_view text, size_t start) { return text[start - 1] == '\r' ? start - 1 : start - 2; }

}  // namespace

size_t findPartBoundary(std::string_view text, size_t from) {
  const char* base = text.data();
  size_t at = from;
  while (at < text.size()) {
    const void* hit = std::memchr(base + at, '\r', text.size() - at);
    if (hit == nullptr) return std::string_view::npos;
    const auto cr = static_cast<size_t>(static_cast<const char*>(hit) - base);
    at = cr + 1;
    size_t next = cr + 1;
    if (next < text.size() && text[next] == '\n') ++next;
    if (!beginsRow(text, next, '+')) continue;
    // The text must go on after the upper row: as its last line, a line read
    // after a group is dropped, not walked.
    const void* end = std::memchr(base + next, '\r', text.size() - next);
    if (end == nullptr) continue;
    size_t after = static_cast<size_t>(static_cast<const char*>(end) - base) + 1;
    if (after < text.size() && text[after] == '\n') ++after;
    if (after >= text.size() || text[after] == '\0') continue;
    // The line before the upper row: a base row, or the lower row after one.
    const size_t line = lineStartBefore(text, cr);
    if (line == 0 || beginsRow(text, line, '+')) continue;
    const size_t before = lineStartBefore(text, crBefore(text, line));
    if (beginsRow(text, before, '+')) return next;
    if (before == 0 || !beginsRow(text, line, '-')) continue;
    if (beginsRow(text, lineStartBefore(text, crBefore(text, before)), '+')) return next;
  }
  return std::string_view::npos;
}

}  // namespace vantrel
