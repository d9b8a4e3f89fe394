// The command-line tokenizer on any text: no token holds a byte it should
// have cut at, and asking past the last token gives an empty text.
#include <cstdint>
#include <string>
#include <string_view>

#include "support/program/command_line.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  for (int32_t index = 0; index < 8; ++index) {
    std::string token = commandLineToken(line, index);
    if (token.size() > size) __builtin_trap();
    if (token.find('\0') != std::string::npos) __builtin_trap();
  }
  if (!commandLineToken(line, static_cast<int32_t>(size) + 1).empty()) __builtin_trap();
  return 0;
}
