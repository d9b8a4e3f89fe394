#include "support/output/output_file.h"

#include <cstring>
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

void appendOutput(OutputFile& out, std::string_view bytes) {
  if (out.mode == OutputMode::inPlace) {
    out.inPlaceText.append(bytes);
    return;
  }
  if (out.mode != OutputMode::replace) return;
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
    if (out.failure == 0) writeAt(out, bytes);
    return;
  }
  waitForWriter(out);
  out.window.clear();
  out.window.append(bytes);
  {
    std::lock_guard<std::mutex> guard(out.lock);
    out.busy = true;
  }
  out.changed.notify_all();
}

size_t readBackOutput(OutputFile& out, char* into, size_t count) {
  if (out.mode == OutputMode::inPlace) {
    size_t n = count < out.inPlaceText.size() ? count : out.inPlaceText.size();
    std::memcpy(into, out.inPlaceText.data() + out.inPlaceText.size() - n, n);
    out.inPlaceText.truncate(out.inPlaceText.size() - n);
    return n;
  }
  waitForWriter(out);
  if (count > out.length) count = static_cast<size_t>(out.length);
  if (out.failure != 0 || out.mode != OutputMode::replace) {
    // Nothing will be written: what is taken back need not be read.
    std::memset(into, 0, count);
  } else if (IoCode code = readTargetAt(out, into, count, out.length - count)) {
    fail(out, code);
  }
  out.length -= count;
  return count;
}

void retractOutput(OutputFile& out, uint64_t count) {
  waitForWriter(out);
  out.length = count < out.length ? out.length - count : 0;
}

IoCode commitOutput(OutputFile& out, std::string_view rest) {
  waitForWriter(out);
  stopWriter(out);
  if (out.mode == OutputMode::inPlace && out.failure == 0) {
    out.inPlaceText.append(rest);
    fail(out, writeWholeInPlace(out, out.inPlaceText));
  }
  if (out.mode == OutputMode::replace && out.failure == 0) {
    writeAt(out, rest);
    if (out.failure == 0) fail(out, putTargetInPlace(out));
  }
  if (!out.tempPath.empty()) removeTemp(out);
  return out.failure;
}

}  // namespace vantrel
