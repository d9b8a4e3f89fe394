// The AVX2 kernel: 32 bytes at a time. A page that leaves ASCII as it is
// copies runs of ASCII as they stand, and works Latin-1 characters out in
// registers: each byte widened to a 16-bit lane holding its one or two UTF-8
// bytes, the bytes that count packed by a shuffle. Other pages, and blocks
// that hold codes the page maps otherwise, go entry by entry.
#include "kernels/kernel_builds.h"

#if defined(VANTREL_KERNEL_AVX2)
#include <immintrin.h>

#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/block_copy.h"
#include "kernels/kernel.h"

namespace vantrel {

namespace {

#define VANTREL_AVX2 __attribute__((target("avx2,popcnt")))

VANTREL_AVX2 inline uint32_t maskOf(__m256i hits) { return static_cast<uint32_t>(_mm256_movemask_epi8(hits)); }

VANTREL_AVX2 inline __m256i load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

VANTREL_AVX2 inline __m256i runStops(__m256i bytes) {
  __m256i stops = _mm256_setzero_si256();
  for (uint8_t stop : runStopBytes) {
    stops = _mm256_or_si256(stops, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(char(stop))));
  }
  return stops;
}

VANTREL_AVX2 void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  findEachBlock(text, first, last, words, [](const char* p) VANTREL_AVX2 {
    uint64_t mask = 0;
    for (int k = 0; k < 2; ++k) {
      const __m256i bytes = load(p + 32 * k);
      const __m256i ends = _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r')),
                                           _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')));
      mask |= uint64_t{maskOf(_mm256_or_si256(ends, _mm256_cmpeq_epi8(bytes, _mm256_setzero_si256())))} << (32 * k);
    }
    return mask;
  });
}

VANTREL_AVX2 uint64_t markRow(const char* p, uint64_t& stops) {
  const __m256i space = _mm256_set1_epi8(' ');
  uint64_t others = 0;
  stops = 0;
  for (int k = 0; k < 2; ++k) {
    const __m256i bytes = load(p + 32 * k);
    others |= uint64_t{~maskOf(_mm256_cmpeq_epi8(bytes, space))} << (32 * k);
    stops |= uint64_t{maskOf(runStops(bytes))} << (32 * k);
  }
  return others;
}

// For the eight 16-bit lanes of a 128-bit half, by the mask of the lanes
// that hold two bytes: the shuffle that packs the bytes that count (each
// lane's low byte, and its high byte where it holds two).
struct PackTable {
  alignas(16) uint8_t shuffle[256][16] = {};
  constexpr PackTable() {
    for (int mask = 0; mask < 256; ++mask) {
      int n = 0;
      for (int lane = 0; lane < 8; ++lane) {
        shuffle[mask][n++] = static_cast<uint8_t>(2 * lane);
        if ((mask >> lane) & 1) shuffle[mask][n++] = static_cast<uint8_t>(2 * lane + 1);
      }
      while (n < 16) shuffle[mask][n++] = 0x80;
    }
  }
};
constexpr PackTable packTable;

// Writes the first `count` (up to 32) bytes at `p` as Latin-1 characters:
// ASCII as it is, each byte from 0x80 up (bit k of `high`) as 0xC0 | c >> 6
// and 0x80 | (c & 0x3F). Returns the end of what it wrote; whole vectors
// are written past it.
VANTREL_AVX2 char* expandLatin1(const char* p, size_t count, uint32_t high, char* o) {
  const __m256i leadBits = _mm256_set1_epi16(0xC0);
  const __m256i lowSix = _mm256_set1_epi16(0x3F);
  const __m256i trailBits = _mm256_set1_epi16(0x80);
  const __m256i ascii = _mm256_set1_epi16(0x7F);
  for (size_t half = 0; half * 16 < count; ++half) {
    const __m256i wide = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half)));
    const __m256i lead = _mm256_or_si256(_mm256_srli_epi16(wide, 6), leadBits);
    const __m256i trail = _mm256_slli_epi16(_mm256_or_si256(_mm256_and_si256(wide, lowSix), trailBits), 8);
    const __m256i lanes = _mm256_blendv_epi8(wide, _mm256_or_si256(lead, trail), _mm256_cmpgt_epi16(wide, ascii));
    const unsigned lowMask = (high >> (16 * half)) & 0xFF;
    const unsigned highMask = (high >> (16 * half + 8)) & 0xFF;
    const __m256i order =
        _mm256_setr_m128i(_mm_load_si128(reinterpret_cast<const __m128i*>(packTable.shuffle[lowMask])),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(packTable.shuffle[highMask])));
    const __m256i packed = _mm256_shuffle_epi8(lanes, order);
    // The lanes that count in each 128-bit half, and the bytes they give.
    const size_t lanesLeft = count - 16 * half;
    const size_t lowLanes = lanesLeft < 8 ? lanesLeft : 8;
    const size_t highLanes = lanesLeft < 8 ? 0 : lanesLeft < 16 ? lanesLeft - 8 : 8;
    const size_t lowBytes = lowLanes + static_cast<size_t>(__builtin_popcount(lowMask & firstBits(lowLanes)));
    const size_t highBytes = highLanes + static_cast<size_t>(__builtin_popcount(highMask & firstBits(highLanes)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + lowBytes), _mm256_extracti128_si256(packed, 1));
    o += lowBytes + highBytes;
  }
  return o;
}

// The bits of the bytes from 0x80 up that the page does not map as
// Latin-1: each byte's bit looked up in the page's 16-byte bitmap.
VANTREL_AVX2 inline uint32_t otherThanLatin1(__m256i bytes, const EncodedPage& page) {
  const __m256i bitmap =
      _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(page.notLatin1Bits)));
  const __m256i bitOf = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32,
                                         64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  const __m256i index = _mm256_and_si256(_mm256_srli_epi16(bytes, 3), _mm256_set1_epi8(0x0F));
  const __m256i bit = _mm256_shuffle_epi8(bitOf, _mm256_and_si256(bytes, _mm256_set1_epi8(7)));
  const __m256i hits = _mm256_and_si256(_mm256_shuffle_epi8(bitmap, index), bit);
  return ~maskOf(_mm256_cmpeq_epi8(hits, _mm256_setzero_si256())) & maskOf(bytes);
}

// One block of a page that leaves ASCII as it is: the run of its first
// `count` bytes up to a run stop. Without other bytes it is copied as it
// stands; with bytes from 0x80 up, a Latin-1 page works them out in
// registers; anything else goes entry by entry (where an escaped entry may
// end the run). In a Latin-1 page only the bytes from 0x80 up need more
// than a copy; in another page, the control codes too.
[[gnu::always_inline]] VANTREL_AVX2 inline size_t asciiRunBlock(const char* in, size_t count, const EncodedPage& page,
                                                                char*& o, bool& stopped) {
  const __m256i bytes = load(in);
  const uint32_t stops = maskOf(runStops(bytes)) & static_cast<uint32_t>(firstBits(count));
  const size_t taken = stops != 0 ? static_cast<size_t>(__builtin_ctz(stops)) : count;
  stopped = taken < count;
  // Signed compares: bytes from 0x80 up are negative, below zero and 0x20.
  const __m256i special = page.latin1 ? _mm256_setzero_si256() : _mm256_set1_epi8(0x20);
  const uint32_t high = maskOf(_mm256_cmpgt_epi8(special, bytes)) & static_cast<uint32_t>(firstBits(taken));
  if (high == 0) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), bytes);
    o += taken;
    return taken;
  }
  if (page.latin1 && (page.exactLatin1 || (otherThanLatin1(bytes, page) & high) == 0)) {
    o = expandLatin1(in, taken, high, o);
    return taken;
  }
  const size_t copied = copyEntries(in, 0, taken, page.codes, o);
  stopped = stopped || copied < taken;
  return copied;
}

VANTREL_AVX2 size_t copyAsciiRuns(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  // The block inlined into a loop of this kernel's own: the loop shared by
  // the kernels could not inline code of this target.
  char* o = out;
  bool stopped = false;
  while (i < end && !stopped) i += asciiRunBlock(text + i, end - i < 32 ? end - i : 32, page, o, stopped);
  out = o;
  return i;
}

VANTREL_AVX2 size_t copyPlain(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  return page.asciiIdentity ? copyAsciiRuns(text, i, end, page, out) : copyEntries(text, i, end, page.codes, out);
}

bool runsHere() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

}  // namespace

extern const Kernel avx2Kernel{"avx2", runsHere, "AVX2", findLineEnds, markRow, copyPlain};

}  // namespace vantrel

#endif
