#pragma once
// A scan of a document beside its conversion: it reads the lines by the
// converter's rules (CR or CR LF ends a line, a NUL where a line begins ends
// the text, a NUL inside a line ends its text) and tells what a user would
// not see in the HTML: line ends in LF alone, text outside any row group, a
// document without row groups. A thorough scan also names unknown escape
// codes and characters whose font's page gives them no printable text.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "charmap/char_map.h"
#include "check/finding.h"
#include "vantrel/streams.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// What the shape of a document calls for (line ends in LF alone, no row
// group, text passed over), as a conversion or a scan saw it.
std::vector<Finding> shapeFindings(const ConversionReport& report);

class DocumentCheck {
 public:
  // `map` (for the thorough scan) must outlive the check.
  explicit DocumentCheck(const CharMap* thoroughMap = nullptr) : map_(thoroughMap) {}
  // Takes the next bytes of the document.
  void feed(const char* data, size_t size);
  // The document has ended: what was found, in the order of the lines.
  std::vector<Finding> finish();

 private:
  enum class Expect { upper, base, afterBase };
  void keepPending(std::string_view part);
  void takeLine(std::string_view line, bool lfBeyond);
  void passOver(std::string_view line, bool carry);
  void takeUpper(std::string_view line);
  void takeRow(std::string_view row, int kind);

  const CharMap* map_;
  std::string pending_;     // the start of a line that a later block ends (at most lineCap bytes)
  bool pendingLf_ = false;  // an LF lies in the part of the pending line not kept
  bool pendingCr_ = false;
  bool blockMayHold_ = true;  // the block being taken may hold a NUL or an LF
  bool ended_ = false;
  int64_t lineNumber_ = 0;
  int64_t lfLine_ = 0;
  Expect expect_ = Expect::upper;
  int64_t groups_ = 0;
  int64_t passedOver_ = 0;
  int64_t firstPassedOver_ = 0;
  bool lastPassedOver_ = false;  // the last line so far was passed over ...
  bool lastWasCarry_ = false;    // ... and was the line right after a base row
  int64_t upperLine_ = 0;        // the upper row waiting for its base row
  bool upperHasText_ = false;
  uint8_t rowFont_[3] = {1, 1, 1};
  int64_t unknownEscapes_ = 0;
  int64_t firstUnknownLine_ = 0;
  char firstUnknown_ = 0;
  int64_t unmapped_ = 0;
  int64_t firstUnmappedLine_ = 0;
  int firstUnmappedCode_ = 0;
  int firstUnmappedFont_ = 0;
};

// A byte source that shows every block it reads to a check: the document is
// read once, by the conversion, and scanned from the same bytes.
class CheckedSource : public ByteSource {
 public:
  CheckedSource(ByteSource& inner, DocumentCheck& check) : inner_(inner), check_(check) {}
  size_t read(char* into, size_t size) override {
    size_t n = inner_.read(into, size);
    check_.feed(into, n);
    return n;
  }

 private:
  ByteSource& inner_;
  DocumentCheck& check_;
};

}  // namespace vantrel
