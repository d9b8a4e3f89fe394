// The SSE2 kernel: 16 bytes at a time, on every x86-64 processor.
#include "kernels/kernel_builds.h"

#if defined(VANTREL_KERNEL_SSE2)
#include <emmintrin.h>

#include <bit>

#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/entry_copy.h"
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

void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (size_t w = first; w < last; ++w) {
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i bytes = load(text + 64 * w + 16 * k);
      const __m128i hits =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)), _mm_cmpeq_epi8(bytes, nul));
      mask |= uint64_t{maskOf(hits)} << (16 * k);
    }
    words[w] = mask;
  }
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

// For a page that leaves ASCII as it is: runs of printable ASCII characters
// other than the run stops are copied 16 at a time, anything else goes
// through the page. Whole vectors are read and written: the text lies in a
// padded buffer, and the output has room to spare.
size_t copyAsciiRuns(const char* text, size_t i, size_t end, const EncodedChar* codes, char*& out) {
  const __m128i space = _mm_set1_epi8(0x20);
  char* o = out;
  while (i < end) {
    const __m128i bytes = load(text + i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
    // Bytes from 0x80 up are negative as signed bytes, so they fall below 0x20 too.
    const unsigned special = maskOf(_mm_or_si128(_mm_cmplt_epi8(bytes, space), runStops(bytes)));
    // Without a special byte in the block the run is 16 long, and the byte
    // after it goes through the page like any other: no branch on whether
    // the block held one.
    const auto run = static_cast<size_t>(std::countr_zero(special | 0x10000u));
    if (run >= end - i) {
      o += end - i;
      i = end;
      break;
    }
    i += run;
    o += run;
    const EncodedChar code = codes[static_cast<unsigned char>(text[i])];
    if ((code & endsPlainRun) != 0) break;
    putEncoded(o, code);
    o += encodedLength(code);
    ++i;
  }
  out = o;
  return i;
}

size_t copyPlain(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  return page.asciiIdentity ? copyAsciiRuns(text, i, end, page.codes, out) : copyEntries(text, i, end, page.codes, out);
}

bool runsOnX86() { return true; }

}  // namespace

extern const Kernel sse2Kernel{"sse2", runsOnX86, "", findLineEnds, markRow, copyPlain};

}  // namespace vantrel

#endif
