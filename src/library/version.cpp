// The library's version, from the header the build made.
#include "vantrel/vantrel.h"
#include "vantrel/vantrel_c.h"

namespace vantrel {

const char* version() noexcept { return VANTREL_VERSION_STRING; }

}  // namespace vantrel

const char* vantrel_version(void) { return VANTREL_VERSION_STRING; }
