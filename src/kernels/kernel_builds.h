#pragma once
// Which kernels are built. SSE2 is part of every x86-64 processor. The AVX2
// and AVX-512 kernels need GCC or Clang, and not on Windows, where GCC does
// not align the stack for 32- and 64-byte vectors and a spilled one would
// fault. NEON is part of every aarch64 processor. Whether a processor runs
// a kernel is asked at run time (Kernel::runsHere).
#if defined(__x86_64__) || defined(_M_X64)
#define VANTREL_KERNEL_SSE2 1
#if (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define VANTREL_KERNEL_AVX2 1
#define VANTREL_KERNEL_AVX512 1
#endif
#endif
#if defined(__aarch64__) && (defined(__GNUC__) || defined(__clang__))
#define VANTREL_KERNEL_NEON 1
#endif

// How many kernels are built (the portable one among them).
#if defined(VANTREL_KERNEL_SSE2)
#define VANTREL_KERNEL_SSE2_COUNT 1
#else
#define VANTREL_KERNEL_SSE2_COUNT 0
#endif
#if defined(VANTREL_KERNEL_AVX2)
#define VANTREL_KERNEL_WIDE_COUNT 2
#else
#define VANTREL_KERNEL_WIDE_COUNT 0
#endif
#if defined(VANTREL_KERNEL_NEON)
#define VANTREL_KERNEL_NEON_COUNT 1
#else
#define VANTREL_KERNEL_NEON_COUNT 0
#endif
namespace vantrel {
inline constexpr unsigned builtKernelCount =
    1 + VANTREL_KERNEL_SSE2_COUNT + VANTREL_KERNEL_WIDE_COUNT + VANTREL_KERNEL_NEON_COUNT;
}  // namespace vantrel
