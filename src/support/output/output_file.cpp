#include "support/output/output_file.h"

#include <system_error>

#include "support/output/output_target.h"

namespace vantrel {

namespace {

void fail(OutputFile& out, IoCode code) {
  if (out.failure == 0) out.failure = code;
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

// Writes at the text's end, which lies before the file's end after a retraction.
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

OutputFile::~OutputFile() {
  stopWriter(*this);
  if (!tempPath.empty()) removeTemp(*this);
}

void writeOutput(OutputFile& out, std::string_view bytes) {
  waitForWriter(out);
  if (out.mode != OutputMode::replace || out.failure != 0 || bytes.empty()) return;
  writeAt(out, bytes);
}

void passOnOutput(OutputFile& out, ByteText& bytes, size_t count) {
  if (out.mode != OutputMode::replace) {
    bytes.dropFront(count);
    return;
  }
  if (!out.writer.joinable() && !out.noWriter) {
    // A system short of memory or threads may refuse the writer thread; the
    // windows are then written here, one after the other.
    try {
      out.writer = std::thread(writeWindows, std::ref(out));
    } catch (const std::system_error&) {
      out.noWriter = true;
    }
  }
  if (out.noWriter) {
    if (out.failure == 0) writeAt(out, bytes.view().substr(0, count));
    bytes.dropFront(count);
    return;
  }
  waitForWriter(out);
  // The full text becomes the window to write; `bytes` takes over the
  // storage of the window written before and keeps the rest of the text.
  std::swap(out.window, bytes);
  bytes.clear();
  bytes.append(out.window.view().substr(count));
  out.window.truncate(count);
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.busy = true;
  }
  out.changed.notify_all();
}

void retractOutput(OutputFile& out, uint64_t count) {
  waitForWriter(out);
  out.length = count < out.length ? out.length - count : 0;
}

IoCode commitOutput(OutputFile& out, std::string_view rest) {
  waitForWriter(out);
  stopWriter(out);
  if (out.mode == OutputMode::inPlace && out.failure == 0) fail(out, writeWholeInPlace(out, rest));
  if (out.mode == OutputMode::replace && out.failure == 0) {
    writeAt(out, rest);
    if (out.failure == 0) fail(out, putTargetInPlace(out));
  }
  if (!out.tempPath.empty()) removeTemp(out);
  return out.failure;
}

}  // namespace vantrel
