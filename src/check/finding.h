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

}  // namespace vantrel
