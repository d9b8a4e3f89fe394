#pragma once
#include <string>
#include <string_view>

namespace vantrel {

// `text` as valid UTF-8 that shows no control character: each byte sequence
// that is not UTF-8 (cut short, overlong, a surrogate, past U+10FFFF; each
// maximal part of one, as browsers count them) and each control character
// other than tab, line feed and carriage return (NUL, U+007F, U+0080 to
// U+009F) becomes U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace vantrel
