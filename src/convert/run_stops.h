#pragma once
#include <array>
#include <cstdint>

namespace vantrel {

// What ends a run of plain characters in a row: the bytes the walk must see
// to itself, a backslash (an escape follows) and a form feed (the row ends
// and a rule is asked for). Every other byte of a row is a character of the
// run. The kernels build their compares from `runStopBytes`; the encoded
// pages mark these codes; nothing else decides it.
inline constexpr std::array<uint8_t, 2> runStopBytes = {'\\', '\f'};

constexpr bool isRunStop(uint8_t byte) {
  for (uint8_t stop : runStopBytes) {
    if (byte == stop) return true;
  }
  return false;
}

}  // namespace vantrel
