// The AVX-512 kernel: 64 bytes at a time, for processors with AVX-512 VBMI2
// (byte permutes and compresses). A page's entries are looked up in its
// byte planes 64 at a time, and the Latin-1 page is worked out without
// tables.
#include "kernels/kernel_builds.h"

#if defined(VANTREL_KERNEL_AVX512)
#include <immintrin.h>

#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/block_copy.h"
#include "kernels/kernel.h"

namespace vantrel {

namespace {

#define VANTREL_WIDE __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,popcnt,bmi,bmi2")))

// The bits of the run stops among the 64 bytes.
VANTREL_WIDE inline uint64_t runStops(__m512i bytes) {
  uint64_t stops = 0;
  for (uint8_t stop : runStopBytes) stops |= _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(char(stop)));
  return stops;
}

VANTREL_WIDE void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  findEachBlock(text, first, last, words, [](const char* p) VANTREL_WIDE {
    const __m512i bytes = _mm512_loadu_si512(p);
    return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r')) |
           _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n')) | _mm512_testn_epi8_mask(bytes, bytes);
  });
}

VANTREL_WIDE uint64_t markRow(const char* p, uint64_t& stops) {
  const __m512i bytes = _mm512_loadu_si512(p);
  stops = runStops(bytes);
  return _mm512_cmpneq_epi8_mask(bytes, _mm512_set1_epi8(' '));
}

// The 64 entries of a plane for the bytes of `index`: the low and the high
// half of the plane, chosen by each byte's top bit.
VANTREL_WIDE inline __m512i lookUp(const uint8_t* plane, __m512i index, __mmask64 high) {
  const __m512i low = _mm512_permutex2var_epi8(_mm512_load_si512(plane), index, _mm512_load_si512(plane + 64));
  const __m512i upper = _mm512_permutex2var_epi8(_mm512_load_si512(plane + 128), index, _mm512_load_si512(plane + 192));
  return _mm512_mask_blend_epi8(high, low, upper);
}

// The order that makes the unpacks below give the entries of each 16 bytes
// of text in turn: position 16j + 4k + q takes byte 16k + 4j + q. It is its
// own inverse.
struct UnpackOrder {
  alignas(64) uint8_t index[64] = {};
  constexpr UnpackOrder() {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) {
        for (int q = 0; q < 4; ++q) index[16 * j + 4 * k + q] = static_cast<uint8_t>(16 * k + 4 * j + q);
      }
    }
  }
};
constexpr UnpackOrder unpackOrder;

// Four-byte slots: the four planes' bytes of 16 entries side by side.
struct Slots {
  __m512i part[4];
};

VANTREL_WIDE inline Slots interleave(__m512i b0, __m512i b1, __m512i b2, __m512i b3) {
  const __m512i low01 = _mm512_unpacklo_epi8(b0, b1);
  const __m512i high01 = _mm512_unpackhi_epi8(b0, b1);
  const __m512i low23 = _mm512_unpacklo_epi8(b2, b3);
  const __m512i high23 = _mm512_unpackhi_epi8(b2, b3);
  return {{_mm512_unpacklo_epi16(low01, low23), _mm512_unpackhi_epi16(low01, low23),
           _mm512_unpacklo_epi16(high01, high23), _mm512_unpackhi_epi16(high01, high23)}};
}

// One block through the planes: the entries of the bytes up to the first
// that ends the run (of the first `count`), each of its length. Returns how
// many bytes it took.
VANTREL_WIDE inline size_t wideBlock(const char* in, size_t count, const EncodedPage& page, char*& o) {
  const __m512i order = _mm512_load_si512(unpackOrder.index);
  const __m512i bytePlace = _mm512_set1_epi32(0x03020100);
  // A whole block, whatever the count (the text is padded): the load does
  // not wait for the count's mask, and what lies past it is masked later.
  const __m512i bytes = _mm512_loadu_si512(in);
  const __m512i ordered = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, order, bytes);
  const __mmask64 high = _mm512_movepi8_mask(ordered);
  const __m512i lengths = lookUp(page.plane[4], ordered, high);
  // Where the run ends: found in the bytes themselves when only the run
  // stops end it, so that the walk learns it without waiting for the
  // lookups; else bit 7 of the lengths, back in text order.
  const __mmask64 stops =
      (page.escapesStopOnly ? runStops(bytes)
                            : _mm512_movepi8_mask(_mm512_maskz_permutexvar_epi8(~__mmask64{0}, order, lengths))) &
      firstBits(count);
  const size_t taken = stops != 0 ? static_cast<size_t>(__builtin_ctzll(stops)) : count;
  const Slots code = interleave(lookUp(page.plane[0], ordered, high), lookUp(page.plane[1], ordered, high),
                                lookUp(page.plane[2], ordered, high), lookUp(page.plane[3], ordered, high));
  const Slots length = interleave(lengths, lengths, lengths, lengths);
  for (size_t k = 0; k < 4; ++k) {
    const size_t entries = taken > 16 * k ? taken - 16 * k : 0;
    const __mmask64 keep = _mm512_cmpgt_epu8_mask(length.part[k], bytePlace) & firstBits(4 * entries);
    _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(keep, code.part[k]));
    o += __builtin_popcountll(keep);
  }
  return taken;
}

// One block of a page read as Latin-1, without tables: ASCII stays as it
// is, and each byte from 0x80 up becomes 0xC0 | c >> 6 followed by
// 0x80 | (c & 0x3F). Each half of the block is widened to 16-bit lanes
// holding a byte's one or two bytes, and the bytes that count are packed.
// The same steps whether or not a byte is high: a branch on that would be
// mispredicted often. A block that holds a code the page maps otherwise
// goes through the planes.
VANTREL_WIDE inline size_t latin1Block(const char* in, size_t count, const EncodedPage& page, char*& o) {
  const __m512i leadBits = _mm512_set1_epi16(0xC0);
  const __m512i lowSix = _mm512_set1_epi16(0x3F);
  const __m512i trailBits = _mm512_set1_epi16(0x80);
  const __m512i bytes = _mm512_loadu_si512(in);
  const __mmask64 stops = runStops(bytes) & firstBits(count);
  const size_t taken = stops != 0 ? static_cast<size_t>(__builtin_ctzll(stops)) : count;
  const uint64_t high = _mm512_movepi8_mask(bytes);
  const uint64_t inRun = firstBits(taken);
  if (!page.exactLatin1) {
    const __m512i other =
        _mm512_permutex2var_epi8(_mm512_load_si512(page.notLatin1), bytes, _mm512_load_si512(page.notLatin1 + 64));
    if ((_mm512_movepi8_mask(other) & high & inRun) != 0) return wideBlock(in, count, page, o);
  }
  for (unsigned half = 0; half < 2; ++half) {
    const __m512i wide = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32 * half)));
    const __m512i lead = _mm512_or_si512(_mm512_srli_epi16(wide, 6), leadBits);
    const __m512i trail = _mm512_slli_epi16(_mm512_or_si512(_mm512_and_si512(wide, lowSix), trailBits), 8);
    const auto halfHigh = static_cast<uint32_t>(high >> (32 * half));
    const __m512i lanes = _mm512_mask_blend_epi16(halfHigh, wide, _mm512_or_si512(lead, trail));
    // Each lane's first byte, and its second where the byte was high; lanes
    // past the run keep nothing (a bit spread to 2j, times 3, covers 2j + 1).
    const uint64_t keep = (_pdep_u64(halfHigh, 0xAAAAAAAAAAAAAAAAull) | 0x5555555555555555ull) &
                          (_pdep_u64(inRun >> (32 * half), 0x5555555555555555ull) * 3);
    _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(keep, lanes));
    o += __builtin_popcountll(keep);
  }
  return taken;
}

// The run 64 bytes at a block: as Latin-1 for a page that is Latin-1 but
// for a few codes, else through the planes.
VANTREL_WIDE size_t copyPlain(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  return copyByBlocks<64>(
      text, i, end, out, [&page](const char* in, size_t count, char*& o, bool& stopped) VANTREL_WIDE {
        const size_t taken = page.latin1 ? latin1Block(in, count, page, o) : wideBlock(in, count, page, o);
        stopped = taken < count;
        return taken;
      });
}

bool runsHere() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("avx512vbmi") &&
         __builtin_cpu_supports("avx512vbmi2");
}

}  // namespace

extern const Kernel avx512Kernel{"avx512", runsHere, "AVX-512 with VBMI2", findLineEnds, markRow, copyPlain};

}  // namespace vantrel

#endif
