#pragma once
// Where the 64-byte vector code is built: x86-64 with GCC or Clang, but not
// on Windows, where GCC does not align the stack for 64-byte vectors and a
// spilled one would fault. Whether the processor runs it is asked at run
// time (wideVectorsUsable).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define VANTREL_WIDE_VECTORS 1
#include <immintrin.h>
#endif
