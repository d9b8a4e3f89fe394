#include "check/document_check.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "convert/escape_codes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

namespace {

// Bytes of one line kept for the scan; the rest of a longer line is only
// searched for line feeds, so that memory stays small whatever the line.
constexpr size_t lineCap = size_t{1} << 20;

enum RowKind { lowerKind = 0, baseKind = 1, upperKind = 2 };

bool beginsWith(std::string_view text, char marker) { return text.size() >= 2 && text[0] == '\\' && text[1] == marker; }

bool hasLf(std::string_view text) { return std::memchr(text.data(), '\n', text.size()) != nullptr; }

// A code whose text is a control character prints nothing (a tab aside; a
// line feed is told as a line end of its own).
bool isControlText(PackedUtf8 text) {
  return (text < 0x20 && text != '\t' && text != '\n') || text == 0x7F || (text >= 0xC280 && text <= 0xC29F);
}

bool isKnownEscape(uint8_t c) {
  return decodeEscape(c).kind != EscapeKind::nothing || c == '[' || c == '+' || c == '-';
}

// Calls `take` with the place of every CR in `data` from `from` on, in order.
template <class Take>
void forEachCr(const char* data, size_t from, size_t size, Take take) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= size; i += 16) {
    auto hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), cr)));
    for (; hits != 0; hits &= hits - 1) take(i + static_cast<size_t>(std::countr_zero(hits)));
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == '\r') take(i);
  }
}

// Whether `data` holds an LF that ends no CR LF pair: one after a CR is part
// of a line end (the CR may be the last byte of the block before,
// `afterCr`). Sound documents have none, so a block is passed over at the
// speed of two vector compares.
bool hasLoneLf(const char* data, size_t size, bool afterCr) {
  size_t i = 0;
  if (size > 0 && data[0] == '\n' && !afterCr) return true;
  i = 1;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= size; i += 16) {
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 1));
    __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(before, cr), _mm_cmpeq_epi8(here, lf));
    if (_mm_movemask_epi8(lone) != 0) return true;
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == '\n' && data[i - 1] != '\r') return true;
  }
  return false;
}

std::string plural(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

void DocumentCheck::feed(const char* data, size_t size) {
  if (ended_ || size == 0) return;
  // Most blocks hold no NUL and (once one has been found, or in a sound
  // document) no LF to tell of: one search of the block spares a search of
  // each line.
  blockMayHold_ = std::memchr(data, '\0', size) != nullptr || (lfLine_ == 0 && hasLoneLf(data, size, pendingCr_));
  size_t lineStart = 0;
  if (pendingCr_) {
    if (data[0] == '\n') lineStart = 1;
    pendingCr_ = false;
  }
  forEachCr(data, lineStart, size, [&](size_t cr) {
    std::string_view part(data + lineStart, cr - lineStart);
    if (!pending_.empty() || pendingLf_) {
      keepPending(part);
      takeLine(pending_, pendingLf_);
      pending_.clear();
      pendingLf_ = false;
    } else {
      takeLine(part, false);
    }
    lineStart = cr + 1;
    if (lineStart == size) {
      pendingCr_ = true;
    } else if (data[lineStart] == '\n') {
      ++lineStart;
    }
  });
  if (lineStart < size) keepPending(std::string_view(data + lineStart, size - lineStart));
}

void DocumentCheck::keepPending(std::string_view part) {
  size_t room = lineCap - std::min(lineCap, pending_.size());
  pending_.append(part.substr(0, std::min(room, part.size())));
  if (part.size() > room && hasLf(part.substr(room))) pendingLf_ = true;
}

void DocumentCheck::takeLine(std::string_view line, bool lfBeyond) {
  if (ended_) return;
  const void* nul = blockMayHold_ ? std::memchr(line.data(), '\0', line.size()) : nullptr;
  if (nul == line.data()) {
    ended_ = true;  // a NUL where a line begins ends the document
    return;
  }
  if (nul != nullptr) line = line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - line.data()));
  ++lineNumber_;
  if (lfLine_ == 0 && (lfBeyond || (blockMayHold_ && hasLf(line)))) lfLine_ = lineNumber_;
  const bool upper = beginsWith(line, '+');
  switch (expect_) {
    case Expect::upper:
      if (upper) {
        takeUpper(line);
      } else {
        passOver(line, false);
      }
      break;
    case Expect::base:
      if (upper) {
        // Of several upper rows in a row only the last one counts.
        if (upperHasText_) passOver("-", false);
        takeUpper(line);
      } else {
        ++groups_;
        lastPassedOver_ = false;
        takeRow(line, baseKind);
        expect_ = Expect::afterBase;
      }
      break;
    case Expect::afterBase:
      if (upper) {
        takeUpper(line);
      } else if (beginsWith(line, '-')) {
        lastPassedOver_ = false;
        takeRow(line.substr(2), lowerKind);
        expect_ = Expect::upper;
      } else {
        passOver(line, true);
        expect_ = Expect::upper;
      }
      break;
  }
}

void DocumentCheck::takeUpper(std::string_view line) {
  lastPassedOver_ = false;
  upperLine_ = lineNumber_;
  upperHasText_ = line.size() > 2;
  takeRow(line.substr(2), upperKind);
  expect_ = Expect::base;
}

void DocumentCheck::passOver(std::string_view line, bool carry) {
  lastPassedOver_ = true;
  lastWasCarry_ = carry;
  if (line.empty()) return;  // an empty line loses no text
  if (passedOver_++ == 0) firstPassedOver_ = line == "-" ? upperLine_ : lineNumber_;
}

void DocumentCheck::takeRow(std::string_view row, int kind) {
  if (map_ == nullptr) return;
  for (size_t i = 0; i < row.size(); ++i) {
    auto c = static_cast<uint8_t>(row[i]);
    if (c == '\f') return;  // a form feed ends its row
    if (c == '\\') {
      if (++i == row.size()) return;
      auto code = static_cast<uint8_t>(row[i]);
      if (uint8_t font = fontOfEscape(code); font != 0) {
        rowFont_[kind] = font;
      } else if (!isKnownEscape(code) && unknownEscapes_++ == 0) {
        firstUnknownLine_ = lineNumber_;
        firstUnknown_ = static_cast<char>(code);
      }
      continue;
    }
    int32_t page = map_->fontPage[rowFont_[kind]];
    if (page < 0 || page >= pageCount || !isControlText(map_->pages[page][c])) continue;
    if (unmapped_++ == 0) {
      firstUnmappedLine_ = lineNumber_;
      firstUnmappedCode_ = c;
      firstUnmappedFont_ = rowFont_[kind];
    }
  }
}

std::vector<Finding> shapeFindings(const ConversionReport& report) {
  std::vector<Finding> found;
  if (report.firstLoneLfLine != 0) {
    found.push_back({report.firstLoneLfLine,
                     "line ends in LF alone; only CR or CR LF ends a line, so the lines from here on run together "
                     "(give the file CR LF line ends, e.g. with unix2dos)"});
  }
  if (report.lines > 0 && report.rowGroups == 0) {
    found.push_back({0, "no row group: no line begins with \\+, so only the last line is converted, as superscripts"});
  } else if (report.passedOverLines > 0) {
    found.push_back({report.firstPassedOverLine, "text outside any row group is passed over (" +
                                                     plural(report.passedOverLines, "line", "lines") +
                                                     "); a row group begins with a line that starts with \\+"});
  }
  std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return found;
}

std::vector<Finding> DocumentCheck::finish() {
  blockMayHold_ = true;
  if (!ended_ && !pendingCr_ && (!pending_.empty() || pendingLf_)) takeLine(pending_, pendingLf_);
  pending_.clear();
  if (expect_ == Expect::base) ++groups_;  // an upper row at the end stands with an empty base row
  // Lines passed over at the end: the last of them is converted as an upper
  // row, unless it came right after a base row.
  if (lastPassedOver_ && !lastWasCarry_ && passedOver_ > 0) --passedOver_;

  ConversionReport shape;
  shape.lines = lineNumber_;
  shape.rowGroups = groups_;
  shape.firstLoneLfLine = lfLine_;
  shape.passedOverLines = passedOver_;
  shape.firstPassedOverLine = firstPassedOver_;
  std::vector<Finding> found = shapeFindings(shape);
  if (unknownEscapes_ > 0) {
    found.push_back({firstUnknownLine_, std::string("unknown escape code \\") + firstUnknown_ + " is dropped (" +
                                            plural(unknownEscapes_, "unknown escape", "unknown escapes") + " in all)"});
  }
  if (unmapped_ > 0) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "code %d in font %d has no printable text in its code page %d (%lld such characters in all); "
                  "give it one in the map file",
                  firstUnmappedCode_, firstUnmappedFont_, map_->fontPage[firstUnmappedFont_],
                  static_cast<long long>(unmapped_));
    found.push_back({firstUnmappedLine_, text});
  }
  std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return found;
}

}  // namespace vantrel
