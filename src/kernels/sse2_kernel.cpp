// The SSE2 kernel: 16 bytes at a time, on every x86-64 processor.
#include "kernels/kernel_builds.h"

#if defined(VANTREL_KERNEL_SSE2)
#include <emmintrin.h>

#include <bit>

#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/block_copy.h"
#include "kernels/kernel.h"

namespace vantrel {

namespace {

unsigned maskOf(__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)); }

__m128i load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

__m128i runStops(__m128i bytes) {
  __m128i stops = _mm_setzero_si128();
  for (uint8_t stop : runStopBytes) stops = _mm_or_si128(stops, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(char(stop))));
  return stops;
}

// The CRs, LFs and NULs of 64 bytes, 16 at a load.
uint64_t lineEnds64(const char* p) {
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  uint64_t mask = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes = load(p + 16 * k);
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                                      _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
    mask |= uint64_t{maskOf(hits)} << (16 * k);
  }
  return mask;
}

void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  findEachBlock(text, first, last, words, lineEnds64);
}

uint64_t markRow(const char* p, uint64_t& stops) {
  const __m128i space = _mm_set1_epi8(' ');
  uint64_t others = 0;
  stops = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes = load(p + 16 * k);
    others |= uint64_t{~maskOf(_mm_cmpeq_epi8(bytes, space)) & 0xFFFFu} << (16 * k);
    stops |= uint64_t{maskOf(runStops(bytes))} << (16 * k);
  }
  return others;
}

// The run of plain printable ASCII at the start of the 16 bytes at `p`,
// which are copied to `to`.
size_t plainAsciiRun(const char* p, char* to) {
  const __m128i bytes = load(p);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
  // Bytes from 0x80 up are negative as signed bytes, so they fall below 0x20 too.
  __m128i special = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
  for (uint8_t stop : runStopBytes) {
    if (stop >= 0x20) special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(char(stop))));
  }
  return static_cast<size_t>(std::countr_zero(maskOf(special) | 0x10000u));
}

}  // namespace

extern const Kernel sse2Kernel{"sse2", runsWhereBuilt, "", findLineEnds, markRow, copyPlain16<plainAsciiRun>};

}  // namespace vantrel

#endif
