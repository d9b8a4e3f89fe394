#include "model/reference_conversion.h"

#include <string>
#include <string_view>
#include <vector>

#include "support/faults/faults.h"

namespace vantrel::model {

namespace {

int64_t lineCount(const std::vector<std::string>& lines) { return static_cast<int64_t>(lines.size()); }

// The line at `index`, and the index moves on; an empty text past the end.
std::string lineAt(const std::vector<std::string>& lines, int64_t& index) {
  const int64_t at = index++;
  return at >= 0 && at < lineCount(lines) ? lines[static_cast<size_t>(at)] : std::string();
}

enum Row : int { lowerRow = 0, baseRow = 1, upperRow = 2 };

struct ConversionState {
  CharMap charMap;
  std::string rowLine[3];
  int64_t rowPos[3] = {0, 0, 0};
  std::string_view rowPiece[3];
  uint8_t openFont = 0;            // font of the open span, 0 for none
  uint8_t rowFont[3] = {1, 1, 1};  // font of each row between columns
  uint8_t currentFont = 1;
  std::string carryLine;
  int64_t lineIndex = 0;
  bool paragraphPending = false;
  bool rulePending = false;
  std::string out;
  size_t bodyStart = 0;
  bool escapeMarkup = false;
};

// Closes the open span and opens one for `font` (0: none); the row goes on in it.
void switchSpan(ConversionState& s, uint8_t font, int row) {
  if (font == s.openFont) return;
  if (s.openFont != 0) s.out += "</span>";
  s.openFont = font;
  if (font != 0) {
    s.rowFont[row] = font;
    s.out += "<span class=\"Fn" + std::to_string(font) + "\">";
  }
}

// Whether the last `n` bytes of the body form one UTF-8 sequence: a lead
// byte for n bytes, then n - 1 continuation bytes.
bool endsInSequence(const ConversionState& s, size_t n) {
  if (s.out.size() < s.bodyStart + n) return false;
  const size_t first = s.out.size() - n;
  static const unsigned leadMask[] = {0, 0, 0xE0, 0xF0, 0xF8};
  static const unsigned leadBits[] = {0, 0, 0xC0, 0xE0, 0xF0};
  if ((static_cast<unsigned char>(s.out[first]) & leadMask[n]) != leadBits[n]) return false;
  for (size_t i = first + 1; i < s.out.size(); ++i) {
    if ((static_cast<unsigned char>(s.out[i]) & 0xC0) != 0x80) return false;
  }
  return true;
}

// "\A": the body's last character goes, a whole UTF-8 sequence if it ends
// in one, else its last byte; the head stays. With mark-up escaped, only
// text the document produced goes: a body ending in mark-up keeps it.
void takeBackCharacter(ConversionState& s) {
  if (s.out.size() <= s.bodyStart) return;
  if (s.escapeMarkup && s.out.back() == '>') return;
  if (s.escapeMarkup) {
    // With mark-up escaped, an entity at the end of the body is a character's.
    for (const std::string entity : {"&quot;", "&amp;", "&lt;", "&gt;"}) {
      if (s.out.size() >= s.bodyStart + entity.size() && s.out.ends_with(entity)) {
        s.out.resize(s.out.size() - entity.size());
        return;
      }
    }
  }
  for (size_t n : {2, 3, 4}) {
    if (endsInSequence(s, n)) {
      s.out.resize(s.out.size() - n);
      return;
    }
  }
  s.out.pop_back();
}

// The escape table: the piece an escape leaves in its column (empty for
// none), and its effect.
std::string_view applyEscape(ConversionState& s, char escape) {
  static const std::string_view fontEscapes = "123456789!\"#$%&'()*";
  size_t font = fontEscapes.find(escape);
  if (escape != '\0' && font != std::string_view::npos) {
    s.currentFont = static_cast<uint8_t>(font < 9 ? font + 1 : font + 2);
    return {};
  }
  switch (escape) {
    case ' ':
      return " ";
    case '/':
      return "/";
    case '\\':
      return "\\";
    case ',':
      s.paragraphPending = true;
      return {};
    case 'A':
      takeBackCharacter(s);
      return {};
    default:
      return {};
  }
}

constexpr char formFeed = '\f';

bool beginsWith(std::string_view text, std::string_view prefix) { return text.substr(0, 2) == prefix; }

// Byte at 1-based position `pos` of a row, or NUL past its end.
char charAt(const std::string& row, int64_t pos) {
  return pos >= 1 && pos <= static_cast<int64_t>(row.size()) ? row[static_cast<size_t>(pos - 1)] : '\0';
}

// Reads the lines of the next row group into the three rows.
void readRowGroup(ConversionState& s, const std::vector<std::string>& document) {
  std::string& upper = s.rowLine[upperRow];
  std::string& base = s.rowLine[baseRow];
  std::string& lower = s.rowLine[lowerRow];
  // Lines before the next upper row are passed over; at the end of the
  // document the last line read stands as the upper row.
  while (!beginsWith(upper, "\\+")) {
    if (s.lineIndex >= lineCount(document)) break;
    upper = lineAt(document, s.lineIndex);
  }
  base = lineAt(document, s.lineIndex);
  // Of several upper rows in a row, the last one counts.
  while (beginsWith(base, "\\+")) {
    upper = base;
    base = lineAt(document, s.lineIndex);
  }
  lower = lineAt(document, s.lineIndex);
  if (beginsWith(lower, "\\-")) {
    s.carryLine.clear();
  } else {
    s.carryLine = lower;
    lower.clear();
  }
}

// Takes the row's next piece: a character, the replacement of an escape,
// " " once the row is finished, or nothing after a form feed.
void takePiece(ConversionState& s, int row) {
  const std::string& line = s.rowLine[row];
  int64_t& pos = s.rowPos[row];
  std::string_view& piece = s.rowPiece[row];
  const auto length = static_cast<int64_t>(line.size());
  do {
    if (pos > -1) {
      if (length > pos) {
        ++pos;
      } else {
        pos = -1;
        piece = " ";
      }
    }
    if (pos <= 0) continue;
    char c = charAt(line, pos);
    piece = std::string_view(&line[static_cast<size_t>(pos - 1)], 1);
    if (c == '\\') {
      ++pos;
      // A lone backslash at the end of the row has no escape character: it yields nothing.
      piece = pos <= length ? std::string_view(&line[static_cast<size_t>(pos - 1)], 1) : std::string_view();
      char escape = piece.empty() ? '\0' : piece[0];
      if (escape == '/') {
        // A "/" at the end of the row or before a form feed ends the row without a rule.
        if (length <= pos || charAt(line, pos + 1) == formFeed) {
          piece = " ";
          pos = -1;
        }
      } else if (escape == '[') {
        // The backslash and the "[" become two blank columns.
        s.rowLine[row][static_cast<size_t>(pos - 1)] = ' ';
        s.rowLine[row][static_cast<size_t>(pos - 2)] = ' ';
        --pos;
        piece = " ";
      }
      if (pos > 0) {
        piece = piece.empty() ? std::string_view() : applyEscape(s, piece[0]);
      }
    } else if (c == formFeed) {
      s.rulePending = true;
      piece = {};
      pos = -1;
    }
  } while (pos > -1 && piece.empty());
}

// Writes the row's piece in the current font, wrapped for its row.
void emitPiece(ConversionState& s, int row) {
  std::string_view piece = s.rowPiece[row];
  if (s.rowPos[row] <= 0 || piece.empty() || piece == " ") return;
  Utf8Bytes text = encodeUtf8(lookupChar(s.charMap, s.currentFont, static_cast<uint8_t>(piece[0])));
  switchSpan(s, s.currentFont, row);
  if (row == lowerRow) s.out += "<sub>";
  if (row == upperRow) s.out += "<sup>";
  for (char byte : text.view()) {
    if (!s.escapeMarkup) {
      s.out += byte;
    } else if (byte == '&') {
      s.out += "&amp;";
    } else if (byte == '<') {
      s.out += "&lt;";
    } else if (byte == '>') {
      s.out += "&gt;";
    } else if (byte == '"') {
      s.out += "&quot;";
    } else {
      s.out += byte;
    }
  }
  if (row == lowerRow) s.out += "</sub>";
  if (row == upperRow) s.out += "</sup>";
}

// Walks the three rows together, column by column: in each column the base,
// the lower and the upper row in turn.
void walkColumns(ConversionState& s) {
  while (s.rowPos[upperRow] > -1 || s.rowPos[lowerRow] > -1 || s.rowPos[baseRow] > -1) {
    for (int row : {baseRow, lowerRow, upperRow}) {
      s.currentFont = s.rowFont[row];
      takePiece(s, row);
      emitPiece(s, row);
    }
    bool allBlank = s.rowPiece[0] == " " && s.rowPiece[1] == " " && s.rowPiece[2] == " ";
    bool unfinished = s.rowPos[0] > -1 || s.rowPos[1] > -1 || s.rowPos[2] > -1;
    if (allBlank && unfinished) s.out += ' ';
  }
}

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t at = 0;
  // A NUL where a line would begin ends the list.
  while (at < text.size() && text[at] != '\0') {
    size_t cr = text.find('\r', at);
    std::string line(text.substr(at, cr == std::string_view::npos ? std::string_view::npos : cr - at));
    lines.push_back(line.substr(0, line.find('\0')));  // the text stops at a NUL inside the line
    if (cr == std::string_view::npos) break;
    at = cr + 1;
    if (at < text.size() && text[at] == '\n') ++at;
  }
  return lines;
}

std::string referenceConvert(std::string_view documentText, const CharMap& map, std::string_view header,
                             bool escapeMarkup) {
  const std::vector<std::string> document = splitLines(documentText);
  ConversionState s;
  s.charMap = map;
  s.escapeMarkup = escapeMarkup;
  s.out = std::string(header) + "\n<p>\n\n";
  s.bodyStart = s.out.size();
  while (s.lineIndex < lineCount(document)) {
    if (s.paragraphPending || s.rulePending) {
      switchSpan(s, 0, baseRow);
      s.out += s.rulePending ? "</p>\n<hr>\n<p>" : "</p>\n<p>";
      s.paragraphPending = s.rulePending = false;
    }
    readRowGroup(s, document);
    s.rowPos[0] = s.rowPos[1] = s.rowPos[2] = 0;
    walkColumns(s);
    s.rowLine[upperRow] = s.carryLine;
  }
  switchSpan(s, 0, baseRow);
  s.out += "\n\n</p>\n</body></html>";
  return s.out;
}

}  // namespace vantrel::model
