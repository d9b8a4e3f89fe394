#pragma once
// The lines the program writes on standard error, each "vantrel: ..." on a
// line of its own: warnings, failures and the summary of a batch.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "vantrel/faults.h"

namespace vantrel {

// "vantrel: FILE:LINE: KIND: MESSAGE" (no ":LINE" for a finding about the
// whole file).
std::string findingLine(const std::string& file, const Finding& finding, const char* kind = "warning");
void addFindings(std::vector<std::string>& lines, const std::string& file, const std::vector<Finding>& findings);

// The line that names a failure and its cause, "vantrel: " and what():
// "vantrel: Runemap.txt:12: page number out of range: ':7'". A fault that
// names no file (memory ran out) is the document's: "vantrel: doc.chi: Out
// of memory".
std::string failureLine(const Exception& fault, std::string_view document);

// "1,998 documents converted, 2 failed".
std::string summaryLine(uint64_t converted, uint64_t failed);

// Writes a line to standard error; on a terminal its control characters
// are shown as "?" (the line end stays).
void printLine(std::string_view line);

// Writes lines to standard error. When the console text goes there too,
// what it holds is passed on first.
void printLines(const std::vector<std::string>& lines);

}  // namespace vantrel
