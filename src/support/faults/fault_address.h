#pragma once
#include <cstdint>

namespace vantrel {

// The caller's return address, as the raise functions record it. WebAssembly
// has no code addresses to read (Emscripten would abort the raise instead).
#if (defined(__GNUC__) || defined(__clang__)) && !defined(__EMSCRIPTEN__)
#define VANTREL_RETURN_ADDRESS() __builtin_return_address(0)
#define VANTREL_NOINLINE __attribute__((noinline))
#else
#define VANTREL_RETURN_ADDRESS() nullptr
#define VANTREL_NOINLINE
#endif

// A code address relative to the load address of the module that holds it,
// cut to 32 bits: a stable number that identifies a place in the program.
uint32_t faultAddressOf(const void* codeAddress);

}  // namespace vantrel
