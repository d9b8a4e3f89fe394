#include "support/faults/fault_report.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "support/console/console.h"

namespace vantrel {

namespace {

char moduleNameText[256] = "";

}  // namespace

void setModuleName(const char* programPath) {
  const char* name = programPath;
  for (const char* p = programPath; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\' || *p == ':') name = p + 1;
  }
  std::snprintf(moduleNameText, sizeof moduleNameText, "%s", name);
}

const char* moduleName() { return moduleNameText; }

size_t formatFaultReport(const Exception& fault, const char* module, char* buffer, size_t size) {
  const char* message = fault.message();
  size_t length = std::strlen(message);
  const char* stop = (length > 0 && message[length - 1] != '.') ? "." : "";
  int n = std::snprintf(buffer, size, "Exception %s in module %s at %08X.\n%s%s", fault.className(), module,
                        static_cast<unsigned>(fault.address()), message, stop);
  if (n < 0) return 0;
  return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

void reportFault(const Exception& fault) {
  char text[512];
  size_t length = formatFaultReport(fault, moduleName(), text, sizeof text);
  writeText(std::string_view(text, length));
  writeLine();
  // The report cannot show a failure of its own channel: it is dropped.
  ioStatus = 0;
}

}  // namespace vantrel
