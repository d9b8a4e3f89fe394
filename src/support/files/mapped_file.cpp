#include "support/files/mapped_file.h"

#if defined(__linux__)
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#endif

namespace vantrel {

#if defined(__linux__)

namespace {

// The mapped file, for the bus-error handler.
std::atomic<char*> mappedStart{nullptr};
std::atomic<char*> mappedEnd{nullptr};
// Set while the pages are checked: a bus error then jumps back.
sigjmp_buf* checking = nullptr;

extern "C" void onBusError(int signal, siginfo_t* info, void*) {
  auto* at = static_cast<char*>(info->si_addr);
  char* start = mappedStart.load();
  char* end = mappedEnd.load();
  if (at >= start && at < end) {
    if (checking != nullptr) siglongjmp(*checking, 1);
    // The file shrank: map zero pages over what is gone, and go on.
    auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    auto* from = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(at) & ~(page - 1));
    if (mmap(from, static_cast<size_t>(end - from), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      return;
    }
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void watchBusErrors() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_sigaction = onBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, nullptr);
}

// Reads one byte of every page; false if one of them cannot be read.
bool pagesReadable(const char* start, size_t size) {
  static sigjmp_buf jump;
  if (sigsetjmp(jump, 1) != 0) {
    checking = nullptr;
    return false;
  }
  checking = &jump;
  auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  volatile char sum = 0;
  for (size_t at = 0; at < size; at += page) sum = static_cast<char>(sum + start[at]);
  checking = nullptr;
  return true;
}

}  // namespace

bool mapWholeFile(int fd, size_t size, TextBlock& block) {
  if (size < mapFilesFrom) return false;
  auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t capacity = (size + 1 + textPadding + page - 1) & ~(page - 1);
  // Zero pages first, then the file over their start: the bytes after the
  // file are zero, whatever its size.
  void* area = mmap(nullptr, capacity, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return false;
  auto* start = static_cast<char*>(area);
  if (mmap(start, size, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0) == MAP_FAILED) {
    munmap(area, capacity);
    return false;
  }
  watchBusErrors();
  mappedStart.store(start);
  mappedEnd.store(start + size);
  if (!pagesReadable(start, size)) {
    mappedStart.store(nullptr);
    mappedEnd.store(nullptr);
    munmap(area, capacity);
    return false;
  }
  block.bytes = std::unique_ptr<char[], BlockRelease>(start, BlockRelease{capacity});
  block.size = size;
  return true;
}

#else

bool mapWholeFile(int, size_t, TextBlock&) { return false; }

#endif

}  // namespace vantrel
