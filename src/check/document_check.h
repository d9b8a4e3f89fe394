#pragma once
// A scan of a document beside its conversion: what a user would not see in
// the HTML. The shape of the document (line ends in LF alone, text outside
// any row group, no row group at all) comes from the conversion's report; a
// thorough scan watches the conversion's row groups for unknown escape codes
// and characters whose font's page gives them no printable text, and its
// characters for raw mark-up.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "charmap/char_map.h"
#include "check/finding.h"
#include "convert/converter.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// What the shape of a document calls for (line ends in LF alone, no row
// group, text passed over), as a conversion saw it.
std::vector<Finding> shapeFindings(const ConversionReport& report);

// The thorough scan: an observer of the conversion (observeConversion).
class DocumentCheck : public ConversionObserver {
 public:
  // `map` must outlive the check.
  explicit DocumentCheck(const CharMap& map) : map_(map) {}
  void rowGroup(const RowState (&rows)[3]) override;
  void escapedMarkup(const RowState& row, std::string_view entry) override;
  // The conversion has ended: what was found, in the order of the lines.
  std::vector<Finding> finish(const ConversionReport& report);

 private:
  void takeRow(const RowState& row);

  const CharMap& map_;
  RawMarkupCount rawMarkup_;
  uint8_t rowFont_[3] = {1, 1, 1};
  int64_t unknownEscapes_ = 0;
  int64_t firstUnknownLine_ = 0;
  char firstUnknown_ = 0;
  int64_t unmapped_ = 0;
  int64_t firstUnmappedLine_ = 0;
  int firstUnmappedCode_ = 0;
  int firstUnmappedFont_ = 0;
};

}  // namespace vantrel
