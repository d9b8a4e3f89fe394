#pragma once
#include <string>
#include <string_view>

#include "charmap/char_map.h"
#include "support/text/line_list.h"

namespace vantrel::model {

// The column walk written as literally as the rules read: copies of the rows,
// one piece at a time, the "[" rule overwriting the row text. Slow and
// plain; the converter's fast walk must give the same bytes on every input.
// Gives the header, the initial head, the body and the closing text. With
// `escapeMarkup` the characters' "&", "<", ">" and '"' become entities.
std::string referenceConvert(const LineList& document, const CharMap& map, std::string_view header,
                             bool escapeMarkup = false);

}  // namespace vantrel::model
