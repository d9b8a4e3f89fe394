#include "support/text/line_ends.h"

#include "support/text/byte_scan.h"
#include "support/text/wide_vectors.h"

namespace vantrel {

namespace {

#if defined(VANTREL_WIDE_VECTORS)
__attribute__((target("avx512f,avx512bw"))) void findLineEndsWide(const char* text, size_t first, size_t last,
                                                                  uint64_t* words) {
  const __m512i cr = _mm512_set1_epi8('\r');
  const __m512i lf = _mm512_set1_epi8('\n');
  for (size_t w = first; w < last; ++w) {
    const __m512i bytes = _mm512_loadu_si512(text + 64 * w);
    words[w] =
        _mm512_cmpeq_epi8_mask(bytes, cr) | _mm512_cmpeq_epi8_mask(bytes, lf) | _mm512_testn_epi8_mask(bytes, bytes);
  }
}
#endif

}  // namespace

void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words, bool wideVectors) {
#if defined(VANTREL_WIDE_VECTORS)
  if (wideVectors) {
    findLineEndsWide(text, first, last, words);
    return;
  }
#else
  (void)wideVectors;
#endif
  for (size_t w = first; w < last; ++w) words[w] = crLfNulMask64(text + 64 * w);
}

}  // namespace vantrel
