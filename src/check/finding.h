#pragma once
#include <cstdint>
#include <string>

namespace vantrel {

// Something a user should know about an input file: the line it concerns
// (1-based; 0 for the file as a whole) and what to say about it.
struct Finding {
  int64_t line = 0;
  std::string message;
};

// A count with its thousands set apart, as messages give it: 1,998.
inline std::string withThousands(uint64_t number) {
  const std::string digits = std::to_string(number);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace vantrel
