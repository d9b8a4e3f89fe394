#pragma once
// The byte-level work of a conversion, one table per instruction set:
// finding the line ends of a block of text, reading a row of marks, and
// copying a run of plain characters through a code page. Each kernel gives
// the same results; they differ in how many bytes an instruction takes.
//
// A portable scalar kernel is built everywhere; on x86-64 the SSE2, AVX2
// and AVX-512 kernels are built too, on aarch64 a NEON kernel. A process
// uses the best one its processor runs, chosen once, unless VANTREL_KERNEL
// names another; a conversion is handed the table and asks nothing else.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

struct EncodedPage;

struct Kernel {
  std::string_view name;
  // Whether this processor runs the kernel; when not, why ("the processor
  // lacks AVX2").
  bool (*runsHere)();
  std::string_view needs;

  // Sets words[w], for w from `first` up to (not including) `last`, to the
  // bits of the CRs, LFs and NULs among the 64 bytes at text + 64 * w.
  void (*findLineEnds)(const char* text, size_t first, size_t last, uint64_t* words);

  // For the 64 bytes at `p`: the bits of the bytes other than a space, and
  // in `stops` those of the run stops (run_stops.h).
  uint64_t (*markRow)(const char* p, uint64_t& stops);

  // Writes the characters from text[i] up to `end` through the page, until
  // one whose entry ends a plain run; returns where it stopped, with `out`
  // moved past what it wrote. The text must have 64 readable bytes after
  // `end` (the line buffers' padding), and the output room for 64 bytes
  // past the last byte it writes: whole vectors are read and written.
  size_t (*copyPlain)(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out);
};

// The first `count` bits set (count up to 64 and more).
inline uint64_t firstBits(size_t count) { return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1; }

// The number of spaces at the start of the `size` bytes at `p`, and whether
// they hold a run stop: scans of a row 64 bytes at a time (markRow), so the
// row must have 64 readable bytes after it.
size_t leadingSpaces(const Kernel& kernel, const char* p, size_t size);
bool holdsRunStop(const Kernel& kernel, const char* p, size_t size);

// Every kernel built for this platform, the portable one first and the
// widest last.
std::span<const Kernel* const> builtKernels();

// The kernel of that name among those built, or none.
const Kernel* kernelNamed(std::string_view name);

// The kernel the process uses: the last built one that runs here, or the
// one VANTREL_KERNEL names (VANTREL_VECTORS=sse2 is taken as
// VANTREL_KERNEL=sse2). Chosen at the first call.
const Kernel& processKernel();

// What is wrong with the VANTREL_KERNEL setting (an unknown name, or a
// kernel this processor does not run), in words for the user; empty when
// the setting is sound or absent. A process whose setting is wrong uses the
// best kernel it runs.
std::string kernelSettingProblem();

}  // namespace vantrel
