#include "convert/plain_run.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

namespace {

// Characters handled one by one between the writes to the output; a chunk
// of them needs at most four bytes each.
constexpr size_t chunkSize = 16384;

#if defined(__SSE2__)
// Copies the longest prefix of ASCII characters from 0x20 to 0x7F other than
// the backslash, 16 at a time; returns how many were copied.
size_t copyAsciiRun(const char* in, size_t count, char* out) {
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i backslash = _mm_set1_epi8('\\');
  size_t done = 0;
  while (done + 16 <= count) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    // Bytes from 0x80 up are negative as signed bytes, so they fall below 0x20 too.
    __m128i stop = _mm_or_si128(_mm_cmplt_epi8(bytes, space), _mm_cmpeq_epi8(bytes, backslash));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), bytes);
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
    if (mask != 0) return done + static_cast<size_t>(__builtin_ctz(mask));
    done += 16;
  }
  return done;
}
#endif

}  // namespace

int64_t writePlainRun(RowState& base, const Utf8Bytes* page, bool asciiIdentity, int64_t maxColumns,
                      HtmlText& result) {
  const char* text = base.line.data();
  const auto first = static_cast<size_t>(base.pos);
  size_t i = first;
  size_t limit = base.line.size();
  if (base.blankAt > base.pos) limit = static_cast<size_t>(base.blankAt - 1);
  if (static_cast<uint64_t>(maxColumns) < limit - i) limit = i + static_cast<size_t>(maxColumns);
  while (i < limit) {
    size_t chunk = limit - i < chunkSize ? limit - i : chunkSize;
    char* start = result.bytes.room(chunk * 4 + 16);
    char* out = start;
    size_t end = i + chunk;
    while (i < end) {
#if defined(__SSE2__)
      if (asciiIdentity) {
        size_t copied = copyAsciiRun(text + i, end - i, out);
        i += copied;
        out += copied;
        if (i == end) break;
      }
#else
      (void)asciiIdentity;
#endif
      auto c = static_cast<unsigned char>(text[i]);
      if (c == ' ') {
        *out++ = ' ';
      } else if (c == '\\' || c == '\f') {
        break;
      } else {
        const Utf8Bytes& entry = page[c];
        std::memcpy(out, entry.bytes, 4);
        out += entry.length;
      }
      ++i;
    }
    result.bytes.commit(static_cast<size_t>(out - start));
    if (i < end) break;
  }
  if (i > first) {
    base.pos = static_cast<int64_t>(i);
    base.piece = static_cast<unsigned char>(text[i - 1]);
  }
  return static_cast<int64_t>(i - first);
}

}  // namespace vantrel
