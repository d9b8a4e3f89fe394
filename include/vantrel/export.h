#pragma once
/* What the library shows of itself: VANTREL_API marks the functions and
   classes of the public headers. A shared library hides everything else;
   on Windows it exports these from the DLL, and a program that links the
   DLL sees VANTREL_SHARED defined (the CMake package and vantrel.pc of a
   shared build define it) and imports them. Valid C and C++. */
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(VANTREL_BUILDING_SHARED)
#define VANTREL_API __declspec(dllexport)
#elif defined(VANTREL_SHARED)
#define VANTREL_API __declspec(dllimport)
#else
#define VANTREL_API
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define VANTREL_API __attribute__((visibility("default")))
#else
#define VANTREL_API
#endif
