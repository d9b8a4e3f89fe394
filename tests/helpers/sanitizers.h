#pragma once
// Whether the tests run under AddressSanitizer, which reserves far more
// address space than the limits some tests set, and ends a process that runs
// out of memory itself.
namespace vantrel::testing {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif
#else
constexpr bool underAddressSanitizer = false;
#endif

}  // namespace vantrel::testing
