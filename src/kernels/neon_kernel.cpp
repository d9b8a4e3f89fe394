// The NEON kernel: 16 bytes at a time, on every aarch64 processor.
#include "kernels/kernel_builds.h"

#if defined(VANTREL_KERNEL_NEON)
#include <arm_neon.h>

#include <bit>

#include "convert/encoded_map.h"
#include "convert/run_stops.h"
#include "kernels/block_copy.h"
#include "kernels/kernel.h"

namespace vantrel {

namespace {

uint8x16_t load(const char* p) { return vld1q_u8(reinterpret_cast<const uint8_t*>(p)); }

uint8x16_t runStops(uint8x16_t bytes) {
  uint8x16_t stops = vdupq_n_u8(0);
  for (uint8_t stop : runStopBytes) stops = vorrq_u8(stops, vceqq_u8(bytes, vdupq_n_u8(stop)));
  return stops;
}

// One bit per byte of four compares' results (0xFF or 0), 64 bytes in all.
uint64_t bitsOf(uint8x16_t a, uint8x16_t b, uint8x16_t c, uint8x16_t d) {
  const uint8x16_t weights = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
  uint8x16_t low = vpaddq_u8(vandq_u8(a, weights), vandq_u8(b, weights));
  uint8x16_t high = vpaddq_u8(vandq_u8(c, weights), vandq_u8(d, weights));
  uint8x16_t sum = vpaddq_u8(low, high);
  sum = vpaddq_u8(sum, sum);
  return vgetq_lane_u64(vreinterpretq_u64_u8(sum), 0);
}

// Four bits per byte of one compare's result: the first set byte is at
// countr_zero / 4.
uint64_t nibblesOf(uint8x16_t hits) {
  return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(hits), 4)), 0);
}

// The CRs, LFs and NULs of 64 bytes, 16 at a load.
uint64_t lineEnds64(const char* p) {
  uint8x16_t hits[4];
  for (int k = 0; k < 4; ++k) {
    const uint8x16_t bytes = load(p + 16 * k);
    hits[k] = vorrq_u8(vorrq_u8(vceqq_u8(bytes, vdupq_n_u8('\r')), vceqq_u8(bytes, vdupq_n_u8('\n'))),
                       vceqq_u8(bytes, vdupq_n_u8(0)));
  }
  return bitsOf(hits[0], hits[1], hits[2], hits[3]);
}

void findLineEnds(const char* text, size_t first, size_t last, uint64_t* words) {
  findEachBlock(text, first, last, words, lineEnds64);
}

uint64_t markRow(const char* p, uint64_t& stops) {
  uint8x16_t others[4], stopHits[4];
  for (int k = 0; k < 4; ++k) {
    const uint8x16_t bytes = load(p + 16 * k);
    others[k] = vmvnq_u8(vceqq_u8(bytes, vdupq_n_u8(' ')));
    stopHits[k] = runStops(bytes);
  }
  stops = bitsOf(stopHits[0], stopHits[1], stopHits[2], stopHits[3]);
  return bitsOf(others[0], others[1], others[2], others[3]);
}

// The run of plain printable ASCII at the start of the 16 bytes at `p`,
// which are copied to `to`.
size_t plainAsciiRun(const char* p, char* to) {
  const uint8x16_t bytes = load(p);
  vst1q_u8(reinterpret_cast<uint8_t*>(to), bytes);
  const uint8x16_t special =
      vorrq_u8(vorrq_u8(vcltq_u8(bytes, vdupq_n_u8(0x20)), vcgeq_u8(bytes, vdupq_n_u8(0x80))), runStops(bytes));
  const uint64_t nibbles = nibblesOf(special);
  return nibbles == 0 ? size_t{16} : static_cast<size_t>(std::countr_zero(nibbles)) / 4;
}

}  // namespace

extern const Kernel neonKernel{"neon", runsWhereBuilt, "", findLineEnds, markRow, copyPlain16<plainAsciiRun>};

}  // namespace vantrel

#endif
