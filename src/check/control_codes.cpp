#include "check/control_codes.h"

#include <string>

namespace vantrel {

uint64_t countControlCodes(const char* bytes, size_t size) {
  // Blocks short enough for 8-bit counts, which the compiler keeps in
  // vector lanes.
  constexpr size_t block = 255;
  uint64_t count = 0;
  for (size_t at = 0; at < size; at += block) {
    const size_t end = at + block < size ? at + block : size;
    uint8_t inBlock = 0;
    for (size_t i = at; i < end; ++i) {
      inBlock += static_cast<uint8_t>((static_cast<uint8_t>(bytes[i]) & 0xE0) == 0x80);
    }
    count += inBlock;
  }
  return count;
}

size_t ControlCodeCount::read(char* into, size_t size) {
  size_t got = source_.read(into, size);
  count_.fetch_add(countControlCodes(into, got), std::memory_order_relaxed);
  return got;
}

std::vector<Finding> controlCodeFindings(uint64_t count) {
  if (count == 0) return {};
  return {{0, withThousands(count) +
                  (count == 1 ? " character became a control code" : " characters became control codes") +
                  " U+0080\xE2\x80\x93U+009F; a map file (--map) gives them their meaning"}};
}

}  // namespace vantrel
