#include "support/text/line_reader.h"

#include <cstring>

#include "support/faults/faults.h"

namespace vantrel {

namespace {

// Zero bytes kept after the bytes read: a NUL that ends every scan, and room
// for whole-vector reads past it.
constexpr size_t padding = linePadding;

// Finds the line ends of the bytes held from buffer offset `from` (a
// multiple of 64) on; those before it are known already.
void markLineEnds(LineReader& reader, size_t from) {
  const size_t words = reader.held / 64 + 1;
  if (reader.endsWords < words) {
    const size_t larger = words + words / 2;
    std::unique_ptr<uint64_t[]> ends(new uint64_t[larger]);
    if (from > 0) std::memcpy(ends.get(), reader.ends.get(), from / 64 * sizeof(uint64_t));
    reader.ends = std::move(ends);
    reader.endsWords = larger;
  }
  // The padding after the bytes held covers the last block read whole.
  reader.kernel->findLineEnds(reader.buffer.get(), from / 64, words, reader.ends.get());
}

// Starts a reader afresh, keeping the memory for its line ends and the way
// it finds them.
void resetReader(LineReader& reader) {
  std::unique_ptr<uint64_t[]> ends = std::move(reader.ends);
  const size_t words = reader.endsWords;
  const Kernel* kernel = reader.kernel;
  reader = LineReader{};
  reader.ends = std::move(ends);
  reader.endsWords = words;
  reader.kernel = kernel;
}

// A document longer than its first read gets the full buffer; each read
// that fills its room doubles the next, up to readBlockSize.
constexpr size_t fullBufferSize = 2 * readBlockSize + padding;

size_t offsetOf(const LineReader& reader, uint64_t position) {
  return static_cast<size_t>(position - reader.bufferStart);
}

// Makes room for at least a block after the bytes held: first by dropping
// the bytes no longer needed, then by a larger buffer.
void makeRoom(LineReader& reader) {
  const size_t wantedRoom = reader.readSize + padding;
  if (reader.capacity - reader.held >= wantedRoom) return;
  uint64_t keep = reader.keepFrom < reader.next ? reader.keepFrom : reader.next;
  // Whole blocks of 64, so that the line ends found stay in their words.
  size_t drop = keep > reader.bufferStart ? offsetOf(reader, keep) & ~size_t{63} : 0;
  if (drop > 0) {
    std::memmove(reader.buffer.get(), reader.buffer.get() + drop, reader.held - drop);
    std::memmove(reader.ends.get(), reader.ends.get() + drop / 64,
                 (reader.held / 64 + 1 - drop / 64) * sizeof(uint64_t));
    reader.held -= drop;
    reader.bufferStart += drop;
  }
  if (reader.capacity - reader.held >= wantedRoom) return;
  size_t wanted = reader.capacity * 2;
  if (wanted < reader.held + wantedRoom) wanted = reader.held + wantedRoom;
  // A document that outgrows the first reads takes the full buffer at once,
  // one mapped block, rather than a fresh allocation at every doubling.
  if (wanted < fullBufferSize) wanted = fullBufferSize;
  BlockPointer larger = newBlock(wanted);
  if (reader.held > 0) std::memcpy(larger.get(), reader.buffer.get(), reader.held);
  reader.buffer = std::move(larger);
  reader.capacity = wanted;
}

// Reads what the buffer has room for after the bytes held (a block at
// least); false once the source has ended.
bool readMore(LineReader& reader) {
  if (reader.sourceEnded) return false;
  makeRoom(reader);
  // The block of the NUL that ended the bytes held is read again.
  const size_t from = reader.held & ~size_t{63};
  const size_t room = reader.capacity - reader.held - padding;
  size_t got = reader.source->read(reader.buffer.get() + reader.held, room);
  if (got == 0) reader.sourceEnded = true;
  if (got == room && reader.readSize < readBlockSize) reader.readSize *= 2;
  reader.held += got;
  std::memset(reader.buffer.get() + reader.held, 0, padding);
  markLineEnds(reader, from);
  return got > 0;
}

}  // namespace

void startReading(LineReader& reader, ByteSource& source) {
  // A buffer of the reader's own is kept for the next document.
  BlockPointer buffer = reader.buffer.get_deleter().borrowed ? BlockPointer() : std::move(reader.buffer);
  size_t capacity = buffer ? reader.capacity : 0;
  resetReader(reader);
  reader.source = &source;
  reader.readSize = firstReadSize;
  if (capacity < firstReadSize + padding) {
    capacity = firstReadSize + padding;
    buffer = newBlock(capacity);
  }
  reader.buffer = std::move(buffer);
  reader.capacity = capacity;
  std::memset(reader.buffer.get(), 0, padding);
  markLineEnds(reader, 0);
}

void startReadingHeld(LineReader& reader, HeldBytes& held) {
  resetReader(reader);
  reader.buffer = std::move(held.bytes);
  reader.capacity = held.capacity;
  reader.held = held.size;
  reader.sourceEnded = true;
  markLineEnds(reader, 0);
}

void startReadingView(LineReader& reader, std::string_view text) {
  resetReader(reader);
  reader.buffer = BlockPointer(const_cast<char*>(text.data()), BlockRelease{0, true});
  reader.capacity = text.size() + padding;
  reader.held = text.size();
  reader.sourceEnded = true;
  markLineEnds(reader, 0);
}

void returnHeldBytes(LineReader& reader, HeldBytes& held) {
  held.bytes = std::move(reader.buffer);
  reader.capacity = 0;
  reader.held = 0;
}

bool atEndReading(LineReader& reader) {
  if (offsetOf(reader, reader.next) == reader.held && !readMore(reader)) return true;
  return reader.buffer[offsetOf(reader, reader.next)] == '\0';
}

LineSpan takeLineReading(LineReader& reader) {
  if (atEnd(reader)) return {reader.next, 0, 0};
  const uint64_t start = reader.next;
  const int64_t number = ++reader.lineCount;
  uint64_t textEnd = UINT64_MAX;  // the first NUL inside the line
  uint64_t scanFrom = start;
  for (;;) {
    const char* stop = reader.buffer.get() + nextLineEnd(reader, offsetOf(reader, scanFrom));
    uint64_t at = reader.bufferStart + static_cast<uint64_t>(stop - reader.buffer.get());
    if (*stop == '\n') {
      // An LF that ends no CR LF is an ordinary byte of the line.
      if (textEnd == UINT64_MAX && reader.firstLoneLfLine == 0) reader.firstLoneLfLine = number;
      scanFrom = at + 1;
      continue;
    }
    if (*stop == '\0') {
      if (at < reader.bufferStart + reader.held) {
        // A NUL inside the line ends its text, not the line.
        if (textEnd == UINT64_MAX) textEnd = at;
        scanFrom = at + 1;
        continue;
      }
      // The end of what is held: read on, or the line ends with the document.
      scanFrom = at;
      if (readMore(reader)) continue;
      reader.next = at;
      if (textEnd == UINT64_MAX) textEnd = at;
      break;
    }
    // A CR; an LF right after it belongs to the line end.
    if (offsetOf(reader, at) + 1 == reader.held) readMore(reader);
    reader.next = at + 1;
    if (reader.buffer[offsetOf(reader, at) + 1] == '\n' && offsetOf(reader, at) + 1 < reader.held) ++reader.next;
    if (textEnd == UINT64_MAX) textEnd = at;
    break;
  }
  return {start, static_cast<size_t>(textEnd - start), number};
}

void drainSource(LineReader& reader) {
  reader.keepFrom = reader.bufferStart + reader.held;
  reader.next = reader.keepFrom;
  while (readMore(reader)) {
    reader.keepFrom = reader.bufferStart + reader.held;
    reader.next = reader.keepFrom;
  }
}

}  // namespace vantrel
