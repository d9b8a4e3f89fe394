#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// An optional sign and the leading decimal digits, modulo 2^32. No blanks are
// skipped; a text without leading digits gives 0. Never fails.
int32_t strToInt(std::string_view text);

// Plain decimal text, with "-" for a negative value.
std::string intToStr(int32_t value);

}  // namespace vantrel
