#pragma once
#include <cstddef>

#include "support/faults/faults.h"

namespace vantrel {

// Records the program's own file name, without its directory, as the module
// that the fault report names.
void setModuleName(const char* programPath);
const char* moduleName();

// Formats "Exception <class> in module <module> at <address>.\n<message>",
// with "." after a message that is not empty and does not end with one.
// Needs no heap memory. Returns the length of the text in `buffer`.
size_t formatFaultReport(const Exception& fault, const char* module, char* buffer, size_t size);

// Writes the report of `fault` through the console channel, followed by
// CR LF. When standard output cannot be written, nothing is retried.
void reportFault(const Exception& fault);

}  // namespace vantrel
