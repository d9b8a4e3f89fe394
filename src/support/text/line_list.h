#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/files/io_code.h"
#include "support/text/text_block.h"

namespace vantrel {

// The lines of one text, cut by the rules of LineReader. The lines are not
// copied out: the table refers to them inside the storage.
struct LineList {
  TextBlock storage;
  std::vector<std::string_view> lines;
  int64_t lineCount = 0;
};

LineList createLineList();

// Reads the whole file and replaces the list's lines with its lines.
// Returns 0, or the I/O code of the failure; the list is then unchanged.
IoCode loadLines(LineList& list, const std::string& fileName);

// Replaces the list's lines with the lines of `text`.
void splitLines(LineList& list, std::string_view text);

// The text of line `index`; an empty text for an index outside the list.
std::string_view lineAt(const LineList& list, int64_t index);

// Releases the list's table and storage; the list is then empty.
void freeLineList(LineList& list);

// Takes the lines of `block` (whose bytes end with a NUL byte), cutting them
// in place without a copy.
void takeLines(LineList& list, TextBlock&& block);

}  // namespace vantrel
