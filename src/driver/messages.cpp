#include "driver/messages.h"

#include <cstdio>

#include "support/console/console.h"
#include "support/console/console_device.h"
#include "support/console/terminal_text.h"

namespace vantrel {

std::string findingLine(const std::string& file, const Finding& finding, const char* kind) {
  std::string line = "vantrel: ";
  line.append(file);
  if (finding.line > 0) line.append(":").append(std::to_string(finding.line));
  line.append(": ").append(kind).append(": ").append(finding.message).append("\n");
  return line;
}

void addFindings(std::vector<std::string>& lines, const std::string& file, const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) lines.push_back(findingLine(file, finding));
}

std::string failureLine(const Exception& fault, std::string_view document) {
  std::string line = "vantrel: ";
  if (!fault.objectName().empty()) {
    line.append(fault.what());
  } else {
    line.append(document == "-" ? "standard input" : document);
    if (fault.line() > 0) line.append(":").append(std::to_string(fault.line()));
    line.append(": ").append(fault.cause());
  }
  return line.append("\n");
}

std::string summaryLine(uint64_t converted, uint64_t failed) {
  std::string line =
      "vantrel: " + withThousands(converted) + (converted == 1 ? " document" : " documents") + " converted";
  if (failed > 0) line.append(", ").append(withThousands(failed)).append(" failed");
  return line.append("\n");
}

void printLine(std::string_view line) {
  std::string shown(line);
  if (isTerminal(2)) {
    bool ended = line.ends_with('\n');
    shown = terminalSafe(line.substr(0, line.size() - (ended ? 1 : 0)));
    if (ended) shown.push_back('\n');
  }
  std::fwrite(shown.data(), 1, shown.size(), stderr);
}

void printLines(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  if (consoleOut.target == 2) closeConsole();
  for (const std::string& line : lines) printLine(line);
  std::fflush(stderr);
}

}  // namespace vantrel
