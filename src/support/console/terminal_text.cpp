#include "support/console/terminal_text.h"

namespace vantrel {

namespace {

// The length of the valid UTF-8 sequence at the start of `text`; 0 where
// none begins there (a stray or overlong byte, a surrogate, past U+10FFFF).
size_t sequenceAt(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || text.size() < length) return 0;
  // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
  unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string terminalSafe(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    size_t length = sequenceAt(text);
    auto lead = static_cast<unsigned char>(text[0]);
    bool control =
        lead < 0x20 || lead == 0x7F || (lead == 0xC2 && length == 2 && static_cast<unsigned char>(text[1]) < 0xA0);
    if (length == 0 || control) {
      shown.push_back('?');
    } else {
      shown.append(text.substr(0, length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return shown;
}

}  // namespace vantrel
