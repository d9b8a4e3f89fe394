#pragma once
// Scans of 16 bytes at a time over padded texts, with vector instructions
// where the processor has them. Every function reads whole 16-byte blocks, so
// the text must lie in a buffer with at least 15 bytes of room after it (a
// text block, or the output's spare room).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

// The number of spaces at the start of the `size` bytes at `p`.
inline size_t leadingSpaces(const char* p, size_t size) {
  size_t count = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  while (count < size) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + count));
    auto spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, space)));
    if (spaces != 0xFFFF) {
      count += static_cast<size_t>(std::countr_zero(~spaces));
      break;
    }
    count += 16;
  }
  return count < size ? count : size;
#else
  while (count < size && p[count] == ' ') ++count;
  return count;
#endif
}

// Whether the `size` bytes at `p` hold a backslash or a form feed.
inline bool holdsBackslashOrFormFeed(const char* p, size_t size) {
#if defined(__SSE2__)
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i formFeed = _mm_set1_epi8('\f');
  for (size_t at = 0; at < size; at += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    auto hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, backslash), _mm_cmpeq_epi8(bytes, formFeed))));
    // Bytes past the end do not count.
    if (size - at < 16) hits &= (1u << (size - at)) - 1;
    if (hits != 0) return true;
  }
  return false;
#else
  for (size_t at = 0; at < size; ++at) {
    if (p[at] == '\\' || p[at] == '\f') return true;
  }
  return false;
#endif
}

// Copies the 16 bytes at `in` to `out` and gives a mask with bit k set where
// byte k is not a plain printable ASCII character: below 0x20, from 0x80 up,
// or a backslash.
inline unsigned copy16MarkingSpecials(const char* in, char* out) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i backslash = _mm_set1_epi8('\\');
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  // Bytes from 0x80 up are negative as signed bytes, so they fall below 0x20 too.
  __m128i other = _mm_or_si128(_mm_cmplt_epi8(bytes, space), _mm_cmpeq_epi8(bytes, backslash));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
  return static_cast<unsigned>(_mm_movemask_epi8(other));
#else
  std::memcpy(out, in, 16);
  unsigned mask = 0;
  for (unsigned k = 0; k < 16; ++k) {
    auto byte = static_cast<unsigned char>(in[k]);
    if (byte < 0x20 || byte >= 0x80 || byte == '\\') mask |= 1u << k;
  }
  return mask;
#endif
}

// The first CR or NUL from `p` on. A NUL must come somewhere after `p`.
inline const char* findCrOrNul(const char* p) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  for (;; p += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto hits =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, nul))));
    if (hits != 0) return p + std::countr_zero(hits);
  }
#else
  while (*p != '\r' && *p != '\0') ++p;
  return p;
#endif
}

// Bit k set where byte k of the 64 bytes at `p` is a CR, an LF or a NUL.
inline uint64_t crLfNulMask64(const char* p) {
  uint64_t mask = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (int k = 0; k < 4; ++k) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)), _mm_cmpeq_epi8(bytes, nul));
    mask |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits))) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) {
    if (p[k] == '\r' || p[k] == '\n' || p[k] == '\0') mask |= uint64_t{1} << k;
  }
#endif
  return mask;
}

// Bit k set where byte k of the 64 bytes at `p` is not a space; `escapes`
// gets the bits of the backslashes and form feeds.
inline uint64_t nonSpaceMask64(const char* p, uint64_t& escapes) {
  uint64_t others = 0;
  escapes = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i formFeed = _mm_set1_epi8('\f');
  for (int k = 0; k < 4; ++k) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    auto spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, space)));
    __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(bytes, backslash), _mm_cmpeq_epi8(bytes, formFeed));
    others |= static_cast<uint64_t>(~spaces & 0xFFFFu) << (16 * k);
    escapes |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(stops))) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) {
    if (p[k] != ' ') others |= uint64_t{1} << k;
    if (p[k] == '\\' || p[k] == '\f') escapes |= uint64_t{1} << k;
  }
#endif
  return others;
}

// The first CR, LF or NUL from `p` on. A NUL must come somewhere after `p`,
// with 63 readable bytes after it.
inline const char* findCrLfOrNul(const char* p) {
  for (;; p += 64) {
    if (uint64_t hits = crLfNulMask64(p)) return p + std::countr_zero(hits);
  }
}

}  // namespace vantrel
