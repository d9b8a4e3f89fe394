#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "charmap/char_map.h"

namespace vantrel::model {

// The column walk written as literally as the rules read: copies of the rows,
// one piece at a time, the "[" rule overwriting the row text. Slow and
// plain; the converter's fast walk must give the same bytes on every input.
// Gives the header, the initial head, the body and the closing text. With
// `escapeMarkup` the characters' "&", "<", ">" and '"' become entities.
std::string referenceConvert(std::string_view document, const CharMap& map, std::string_view header,
                             bool escapeMarkup = false);

// The lines of a text cut as literally as the rules read: at each CR, with
// an LF right after it belonging to the line end; a NUL where a line would
// begin ends the list, and one inside a line ends that line's text.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace vantrel::model
