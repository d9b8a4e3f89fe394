#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "kernels/kernel.h"
#include "support/text/big_block.h"
#include "vantrel/streams.h"

namespace vantrel {

// The line rules, in one place: a line ends at a CR, and an LF right after
// that CR belongs to the line end; a lone LF is an ordinary byte of its line;
// a NUL where a line would begin ends the text; a line's text stops at its
// first NUL. The reader takes the lines of a document from a byte source in
// blocks, or of a text held whole in memory. Only the lines still in use are held: memory grows with the
// longest stretch of lines kept at once, never with the document.
//
// Lines are named by their place in the document (byte offsets from its
// start), so that a line stays valid while more is read; its text is found
// with lineText until the reader reads again.
struct LineSpan {
  uint64_t start = 0;
  size_t length = 0;
  int64_t number = 0;  // the line's number, from 1 (0: no line)
};

struct LineReader {
  ByteSource* source = nullptr;
  BlockPointer buffer;
  size_t capacity = 0;
  uint64_t bufferStart = 0;  // document offset of buffer[0]
  size_t held = 0;           // bytes in the buffer, followed by zero bytes
  uint64_t next = 0;         // document offset of the next line
  uint64_t keepFrom = 0;     // bytes before this offset may be dropped
  bool sourceEnded = false;
  size_t readSize = 0;          // the room the next read asks for
  int64_t lineCount = 0;        // lines taken
  int64_t firstLoneLfLine = 0;  // the first line whose text holds an LF (0: none yet)
  // The line ends of the bytes held, found a read at a time: bit k of word w
  // is set where buffer byte 64w + k is a CR, an LF or a NUL, up to the NUL
  // after the bytes held. Kept from one start to the next.
  std::unique_ptr<uint64_t[]> ends;
  size_t endsWords = 0;
  const Kernel* kernel = &processKernel();  // finds the line ends
};

// Bytes asked of the source at a time.
inline constexpr size_t readBlockSize = size_t{1} << 20;
// The first read of a document: enough for a small one, which then needs
// no larger buffer.
inline constexpr size_t firstReadSize = size_t{16} << 10;

// Starts reading `source` (which must outlive the reader).
void startReading(LineReader& reader, ByteSource& source);

// Zero bytes that follow the bytes held in a reader's buffer.
inline constexpr size_t linePadding = 64;

// Bytes held whole in memory, followed by at least linePadding zero bytes.
struct HeldBytes {
  BlockPointer bytes;
  size_t size = 0;
  size_t capacity = 0;  // size plus padding at least
};

// Starts reading `held` as the whole document, without copying: the reader
// takes the buffer until returnHeldBytes gives it back.
void startReadingHeld(LineReader& reader, HeldBytes& held);
void returnHeldBytes(LineReader& reader, HeldBytes& held);

// Starts reading `text` as the whole document, without copying or taking
// it: the text must stay, followed by linePadding zero bytes, while the
// reader reads it.
void startReadingView(LineReader& reader, std::string_view text);

// Whether the text ended at a NUL before the end of the bytes read.
inline bool endedAtNul(const LineReader& reader) { return reader.next - reader.bufferStart < reader.held; }

// atEnd when the next line's start is not held yet.
bool atEndReading(LineReader& reader);

// Whether the lines are used up (reads as far as it needs to tell).
inline bool atEnd(LineReader& reader) {
  const auto at = static_cast<size_t>(reader.next - reader.bufferStart);
  if (at < reader.held) return reader.buffer[at] == '\0';
  return atEndReading(reader);
}

// takeLine for a line that is not wholly held yet, holds a NUL, or ends the text.
LineSpan takeLineReading(LineReader& reader);

// The buffer offset of the first CR, LF or NUL from offset `at` (below the
// bytes held) on.
inline size_t nextLineEnd(const LineReader& reader, size_t at) {
  const uint64_t* ends = reader.ends.get();
  size_t block = at >> 6;
  uint64_t ahead = ends[block] & (~uint64_t{0} << (at & 63));
  while (ahead == 0) ahead = ends[++block];  // ends at the NUL after the bytes held, at the latest
  return (block << 6) + static_cast<size_t>(std::countr_zero(ahead));
}

// The next line; an empty line at the end (its start is where the text ends).
inline LineSpan takeLine(LineReader& reader) {
  // The common line: held whole, ended by a CR with the byte after it held
  // too, and no LF or NUL inside.
  const char* text = reader.buffer.get();
  const size_t at = static_cast<size_t>(reader.next - reader.bufferStart);
  if (at < reader.held && text[at] != '\0') {
    const size_t end = nextLineEnd(reader, at);
    if (text[end] == '\r' && end + 1 < reader.held) {
      LineSpan line{reader.next, end - at, ++reader.lineCount};
      // A branch, not a select: the next line's start does not wait for the
      // byte after the CR, which is an LF all but always.
      if (text[end + 1] == '\n') [[likely]] {
        reader.next += line.length + 2;
      } else {
        reader.next += line.length + 1;
      }
      return line;
    }
  }
  return takeLineReading(reader);
}

// The text of a line taken since the last keepLinesFrom call that could drop
// it. Valid until the reader reads again. The buffer holds at least 64 zero
// bytes after the last byte read, so scans may read whole vectors past a line.
inline std::string_view lineText(const LineReader& reader, LineSpan line) {
  return {reader.buffer.get() + (line.start - reader.bufferStart), line.length};
}

// Lines before `start` are no longer needed: their bytes may be dropped.
inline void keepLinesFrom(LineReader& reader, uint64_t start) { reader.keepFrom = start; }

// Reads and drops the rest of the source, so that a read failure or a change
// of the document after its text ended is still seen.
void drainSource(LineReader& reader);

}  // namespace vantrel
