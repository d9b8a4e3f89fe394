#include "support/faults/fault_address.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <dlfcn.h>
#endif

namespace vantrel {

uint32_t faultAddressOf(const void* codeAddress) {
  auto address = reinterpret_cast<uintptr_t>(codeAddress);
  uintptr_t base = 0;
#if defined(_WIN32)
  // The allocation that holds a code address starts at its module's load address.
  MEMORY_BASIC_INFORMATION info{};
  if (codeAddress != nullptr && VirtualQuery(codeAddress, &info, sizeof info) != 0) {
    base = reinterpret_cast<uintptr_t>(info.AllocationBase);
  }
#elif defined(__unix__) || defined(__APPLE__)
  Dl_info info{};
  if (codeAddress != nullptr && dladdr(codeAddress, &info) != 0) {
    base = reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
#endif
  return static_cast<uint32_t>(address - base);
}

}  // namespace vantrel
