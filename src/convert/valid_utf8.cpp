#include "convert/valid_utf8.h"

#include <cstddef>

namespace vantrel {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

bool isShownControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F; }

// The continuation bytes a lead byte asks for, and the range its first
// continuation byte must lie in (narrower after E0, ED, F0 and F4); 0 for a
// byte that begins no sequence.
struct Lead {
  size_t continuations = 0;
  unsigned char low = 0x80, high = 0xBF;
};

Lead leadOf(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return {1};
  if (c == 0xE0) return {2, 0xA0, 0xBF};
  if (c == 0xED) return {2, 0x80, 0x9F};
  if (c >= 0xE1 && c <= 0xEF) return {2};
  if (c == 0xF0) return {3, 0x90, 0xBF};
  if (c == 0xF4) return {3, 0x80, 0x8F};
  if (c >= 0xF1 && c <= 0xF3) return {3};
  return {};
}

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (isShownControl(c)) {
        valid += replacement;
      } else {
        valid += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    Lead lead = leadOf(c);
    size_t end = i + 1;
    for (size_t k = 0; k < lead.continuations && end < text.size(); ++k, ++end) {
      auto b = static_cast<unsigned char>(text[end]);
      if (b < lead.low || b > lead.high) break;
      lead.low = 0x80;
      lead.high = 0xBF;
    }
    bool complete = lead.continuations > 0 && end - i == lead.continuations + 1;
    bool c1Control = c == 0xC2 && complete && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (complete && !c1Control) {
      valid.append(text.substr(i, end - i));
    } else {
      valid += replacement;
    }
    i = end;
  }
  return valid;
}

}  // namespace vantrel
