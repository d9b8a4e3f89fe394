#include "support/output/output_file.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "support/faults/faults.h"
#include "support/output/output_target.h"

namespace vantrel {

namespace {

// Blocks up to this size (the converter's windows of 1 MiB, with what the
// last step wrote past it) are copied and written by the writer thread;
// blocks below the smaller size are written at once, as a thread to hand
// them to costs more than their write.
constexpr size_t largestCopiedWindow = (size_t{5} << 20) / 4;
constexpr size_t smallestCopiedWindow = size_t{64} << 10;

void fail(OutputFile& out, IoCode code) {
  if (out.failure == 0) out.failure = code;
}

// Whether the text is held back until the commit.
bool holdsText(const OutputFile& out) { return out.mode == OutputMode::inPlace || out.mode == OutputMode::stream; }

void hold(OutputFile& out, std::string_view bytes) {
  if (out.failure != 0) return;
  if (IoCode code = holdText(out.held, bytes)) {
    out.note = out.held.note;
    fail(out, code);
  }
}

// Waits until the window being written, if any, is written.
void waitForWriter(OutputFile& out) {
  std::unique_lock<std::mutex> guard(out.lock);
  out.changed.wait(guard, [&] { return !out.busy; });
}

void stopWriter(OutputFile& out) {
  if (!out.writer.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.quit = true;
  }
  out.changed.notify_all();
  out.writer.join();
}

// Writes at the text's end in the new file, which lies before the file's end
// after a retraction.
void writeAt(OutputFile& out, std::string_view bytes) {
  if (IoCode code = writeTargetAt(out, bytes)) {
    fail(out, code);
    return;
  }
  out.length += bytes.size();
  if (out.length > out.written) out.written = out.length;
}

void writeWindows(OutputFile& out) {
  std::unique_lock<std::mutex> guard(out.lock);
  for (;;) {
    out.changed.wait(guard, [&] { return out.busy || out.quit; });
    if (!out.busy) return;
    guard.unlock();
    if (out.failure == 0) writeAt(out, out.window.view());
    guard.lock();
    out.busy = false;
    out.changed.notify_all();
  }
}

}  // namespace

std::string hiddenNameBeside(std::string_view base) {
  static std::atomic<unsigned> counter{0};
  // ".", the base, "." and six characters: the base keeps at most 247 bytes,
  // cut before a UTF-8 continuation byte rather than inside a character.
  constexpr size_t longestBase = 255 - 8;
  size_t keep = base.size();
  if (keep > longestBase) {
    keep = longestBase;
    while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
  }
  auto ticks = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
  unsigned mixed = (ticks * 2654435761u) ^ (counter.fetch_add(1) * 40503u) ^
                   static_cast<unsigned>(reinterpret_cast<uintptr_t>(&counter) >> 4);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%06X", mixed & 0xFFFFFFu);
  std::string name;
  name.reserve(keep + 8);
  name.append(1, '.').append(base.substr(0, keep)).append(suffix);
  return name;
}

void openOutput(OutputFile& out, const std::string& fileName, FileIdentity document) {
  out.mode = OutputMode::failed;
  if (fileName.empty()) {
    fail(out, fileNotFound);
    return;
  }
  TargetFacts facts;
  if (IoCode code = findTarget(out, fileName, facts)) {
    fail(out, code);
    return;
  }
  if (facts.kind == TargetKind::descriptor) {
    openDescriptorOutput(out, out.descriptor, document);
    return;
  }
  // Writing the document over itself would destroy it before it is read.
  if (facts.kind != TargetKind::missing && document.known() && facts.identity == document) {
    out.refused = true;
    fail(out, accessDenied);
    return;
  }
  // A folder is no output; nor, in a shared sticky folder, another user's file.
  if (facts.kind == TargetKind::folder || facts.plantedByOther) {
    fail(out, accessDenied);
    return;
  }
  // A FIFO or a device cannot be replaced: it takes the text as a stream.
  if (facts.kind == TargetKind::other) {
    out.mode = OutputMode::stream;
    return;
  }
  if (facts.kind == TargetKind::regular) {
    if (IoCode code = probeTarget(out, facts)) {
      fail(out, code);
      return;
    }
  }
  IoCode code = createNewFile(out, facts);
  if (code == 0) {
    out.mode = OutputMode::replace;
  } else if (facts.kind == TargetKind::regular && code == accessDenied) {
    // A folder the user may not write, holding a file the user may write:
    // the file can still be rewritten in place.
    out.mode = OutputMode::inPlace;
  } else {
    fail(out, code);
  }
}

void openDescriptorOutput(OutputFile& out, int fd, FileIdentity document) {
  out.mode = OutputMode::failed;
  out.descriptor = fd;
  TargetFacts facts;
  if (IoCode code = probeDescriptor(fd, facts)) {
    fail(out, code);
    return;
  }
  if (document.known() && facts.identity == document) {
    out.refused = true;
    fail(out, accessDenied);
    return;
  }
  out.mode = OutputMode::stream;
}

OutputFile::~OutputFile() {
  stopWriter(*this);
  closeOutputFiles(*this);
}

void writeOutput(OutputFile& out, std::string_view bytes) {
  waitForWriter(out);
  if (holdsText(out)) hold(out, bytes);
  if (out.mode != OutputMode::replace || out.failure != 0 || bytes.empty()) return;
  writeAt(out, bytes);
}

void appendOutput(OutputFile& out, std::string_view bytes) {
  if (out.mode != OutputMode::replace) {
    if (holdsText(out)) hold(out, bytes);
    return;
  }
  waitForWriter(out);
  // A large block is written at once from the caller's memory: copying it
  // costs more than the write it would overlap. A small one is not worth
  // a hand-over.
  const bool atOnce = bytes.size() < smallestCopiedWindow || bytes.size() > largestCopiedWindow;
  if (!atOnce && !out.writer.joinable() && !out.noWriter) {
    // A system short of memory or threads may refuse the writer thread; the
    // windows are then written here, one after the other.
    try {
      out.writer = std::thread(writeWindows, std::ref(out));
    } catch (const std::system_error&) {
      out.noWriter = true;
    }
  }
  if (atOnce || out.noWriter) {
    if (out.failure == 0) writeAt(out, bytes);
    return;
  }
  out.window.clear();
  out.window.append(bytes);
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.busy = true;
  }
  out.changed.notify_all();
}

size_t readBackOutput(OutputFile& out, char* into, size_t count) {
  waitForWriter(out);
  if (out.failure != 0) {
    // Nothing will be written: what is taken back need not be read.
    std::memset(into, 0, count);
    return count;
  }
  if (holdsText(out)) {
    if (count > heldLength(out.held)) count = static_cast<size_t>(heldLength(out.held));
    if (IoCode code = takeBackHeld(out.held, into, count)) fail(out, code);
    return count;
  }
  if (count > out.length) count = static_cast<size_t>(out.length);
  if (IoCode code = readTargetAt(out, into, count, out.length - count)) fail(out, code);
  out.length -= count;
  return count;
}

void retractOutput(OutputFile& out, uint64_t count) {
  waitForWriter(out);
  char scratch[4096];
  while (holdsText(out) && out.failure == 0 && count > 0 && heldLength(out.held) > 0) {
    count -= readBackOutput(out, scratch, count < sizeof scratch ? static_cast<size_t>(count) : sizeof scratch);
  }
  out.length = count < out.length ? out.length - count : 0;
}

IoCode commitOutput(OutputFile& out, std::string_view rest) {
  waitForWriter(out);
  stopWriter(out);
  if (out.mode == OutputMode::replace && out.failure == 0) writeAt(out, rest);
  if (holdsText(out)) hold(out, rest);
  if (out.failure == 0 && out.mode == OutputMode::replace) fail(out, putTargetInPlace(out));
  if (out.failure == 0 && out.mode == OutputMode::inPlace) fail(out, rewriteInPlace(out));
  if (out.failure == 0 && out.mode == OutputMode::stream) fail(out, writeStream(out));
  closeOutputFiles(out);
  return out.failure;
}

void raiseOutputError(IoCode code, const std::string& name, const std::string& note) {
  constexpr std::string_view cannotWrite = "cannot write the output";
  if (note.empty()) raiseFileError(code, name, cannotWrite);
  raiseInOutError(code, name, std::string(cannotWrite) + ": " + note);
}

}  // namespace vantrel
