#pragma once
// The loops the kernels share: the copy of a run entry by entry, the walk
// over a run block by block, and the block of a page that keeps ASCII as
// it is. A kernel gives them its own compares.
#include <cstddef>
#include <cstdint>

#include "convert/encoded_map.h"
#include "kernels/kernel.h"

namespace vantrel {

// The copy of a run through a page entry by entry, until a code whose entry
// ends a plain run; returns where it stopped. Every kernel's way for the
// pages, or the blocks, that its vectors do not cover.
inline size_t copyEntries(const char* text, size_t i, size_t end, const EncodedChar* codes, char*& out) {
  char* o = out;
  while (i + 4 <= end) {
    EncodedChar a = codes[static_cast<unsigned char>(text[i])];
    EncodedChar b = codes[static_cast<unsigned char>(text[i + 1])];
    EncodedChar c = codes[static_cast<unsigned char>(text[i + 2])];
    EncodedChar d = codes[static_cast<unsigned char>(text[i + 3])];
    if (((a | b | c | d) & endsPlainRun) != 0) break;
    putEncoded(o, a);
    o += encodedLength(a);
    putEncoded(o, b);
    o += encodedLength(b);
    putEncoded(o, c);
    o += encodedLength(c);
    putEncoded(o, d);
    o += encodedLength(d);
    i += 4;
  }
  for (; i < end; ++i) {
    EncodedChar code = codes[static_cast<unsigned char>(text[i])];
    if ((code & endsPlainRun) != 0) break;
    putEncoded(o, code);
    o += encodedLength(code);
  }
  out = o;
  return i;
}

// Sets words[w], for w from `first` up to `last`, to lineEnds(text + 64 * w):
// the loop of the line ends for a kernel that finds them a block at a time.
template <class LineEnds>
[[gnu::always_inline]] inline void findEachBlock(const char* text, size_t first, size_t last, uint64_t* words,
                                                 LineEnds lineEnds) {
  for (size_t w = first; w < last; ++w) words[w] = lineEnds(text + 64 * w);
}

// Walks the run from text[i] up to `end` in blocks of `width` bytes (the
// last one shorter): block(text + i, count, o, stopped) writes at `o` what
// the block's first bytes give, moves `o` past it, and returns how many of
// its `count` bytes it took; it sets `stopped` where a byte ends the run.
// Returns where the run stopped, with `out` moved past what was written.
// Inlined always, so that a kernel whose vectors need a target of their own
// (its block a lambda with that target) gets one loop of its own.
template <size_t width, class Block>
[[gnu::always_inline]] inline size_t copyByBlocks(const char* text, size_t i, size_t end, char*& out, Block block) {
  char* o = out;
  bool stopped = false;
  while (i < end && !stopped) {
    const size_t count = end - i < width ? end - i : width;
    i += block(text + i, count, o, stopped);
  }
  out = o;
  return i;
}

// The copy through a page that keeps ASCII as it is, 16 bytes at a block:
// the bytes before the first one that is not plain printable ASCII or is a
// run stop are copied as they stand, and that byte goes through the page.
// `plainRun(in, o)` copies the 16 bytes at `in` to `o` (whole vectors; the
// output has room to spare) and gives the length of that run, 16 where the
// block has no such byte.
template <class PlainRun>
[[gnu::always_inline]] inline size_t copyAsciiRuns(const char* text, size_t i, size_t end, const EncodedChar* codes,
                                                   char*& out, PlainRun plainRun) {
  return copyByBlocks<16>(text, i, end, out, [codes, plainRun](const char* in, size_t count, char*& o, bool& stopped) {
    const size_t run = plainRun(in, o);
    if (run >= count) {
      o += count;
      return count;
    }
    o += run;
    const EncodedChar code = codes[static_cast<unsigned char>(in[run])];
    if ((code & endsPlainRun) != 0) {
      stopped = true;
      return run;
    }
    putEncoded(o, code);
    o += encodedLength(code);
    return run + 1;
  });
}

// The copy of plain runs for a kernel of 16-byte vectors: a page that keeps
// ASCII as it is goes a block at a time through `asciiRun` (the `plainRun`
// of copyAsciiRuns), any other page entry by entry.
template <size_t (*asciiRun)(const char*, char*)>
size_t copyPlain16(const char* text, size_t i, size_t end, const EncodedPage& page, char*& out) {
  return page.asciiIdentity
             ? copyAsciiRuns(text, i, end, page.codes, out, [](const char* p, char* to) { return asciiRun(p, to); })
             : copyEntries(text, i, end, page.codes, out);
}

// Whether a kernel runs here, for one that runs wherever it is built.
inline bool runsWhereBuilt() { return true; }

}  // namespace vantrel
