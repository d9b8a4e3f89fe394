#include <windows.h>

#include <atomic>
#include <cstdio>

#include "support/files/handle_io_win32.h"
#include "support/output/output_target.h"

namespace vantrel {

namespace {

// The new files of the outputs being written (one for each document
// converted at once), for the console control handler: a run that is
// interrupted (Ctrl+C, the window closed) leaves no stray file behind. The
// new files are shared for deletion for that reason. A slot is claimed,
// filled, then marked ready, so that the handler only reads whole entries.
enum SlotState : int { slotFree = 0, slotFilling = 1, slotReady = 2 };
struct PendingSlot {
  std::atomic<int> state{slotFree};
  char path[MAX_PATH * 4] = "";
};
constexpr int pendingSlots = 256;
PendingSlot pending[pendingSlots];
std::atomic<bool> interruptsWatched{false};

BOOL WINAPI removePendingTemp(DWORD) {
  for (PendingSlot& slot : pending) {
    if (slot.state.load(std::memory_order_acquire) == slotReady) DeleteFileA(slot.path);
  }
  return FALSE;  // the system's own handler ends the process
}

void watchInterrupts() {
  if (interruptsWatched.exchange(true)) return;
  SetConsoleCtrlHandler(removePendingTemp, TRUE);
}

HANDLE handleOf(const OutputFile& out) { return static_cast<HANDLE>(out.handle); }

std::string targetPath(const OutputFile& out) { return out.folder + out.target; }
std::string tempPath(const OutputFile& out) { return out.folder + out.tempName; }

// Opens the target itself for writing.
HANDLE openTargetItself(const OutputFile& out) {
  return CreateFileA(targetPath(out).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void setPendingTemp(OutputFile& out) {
  watchInterrupts();
  clearPendingTemp(out);
  std::string path = tempPath(out);
  if (path.size() >= sizeof pending[0].path) return;
  for (int i = 0; i < pendingSlots; ++i) {
    int expected = slotFree;
    if (!pending[i].state.compare_exchange_strong(expected, slotFilling, std::memory_order_acquire)) continue;
    std::snprintf(pending[i].path, sizeof pending[i].path, "%s", path.c_str());
    pending[i].state.store(slotReady, std::memory_order_release);
    out.pendingSlot = i;
    return;
  }
}

void clearPendingTemp(OutputFile& out) {
  if (out.pendingSlot < 0) return;
  pending[out.pendingSlot].state.store(slotFree, std::memory_order_release);
  out.pendingSlot = -1;
}

IoCode findTarget(OutputFile& out, const std::string& fileName, TargetFacts& facts) {
  size_t cut = fileName.find_last_of("\\/:");
  out.folder = cut == std::string::npos ? std::string() : fileName.substr(0, cut + 1);
  out.target = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
  // The system follows links itself; the identity is that of the file a
  // write lands in.
  HandleGuard file(openForAttributes(fileName.c_str()));
  if (!file.valid()) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return 0;  // the new file says which
    return static_cast<IoCode>(code);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = GetFileInformationByHandle(file.get(), &info) != 0;
  facts.identity = identityOfHandle(file.get());
  facts.kind = GetFileType(file.get()) != FILE_TYPE_DISK                     ? TargetKind::other
               : known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TargetKind::folder
                                                                             : TargetKind::regular;
  return 0;
}

IoCode probeTarget(OutputFile& out, const TargetFacts&) {
  HANDLE probe = CreateFileA(targetPath(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return lastIoCode();
  CloseHandle(probe);
  return 0;
}

IoCode createNewFile(OutputFile& out, const TargetFacts&) {
  // Fails with ERROR_FILE_EXISTS only if many names are taken already.
  for (int attempt = 0; attempt < 100; ++attempt) {
    out.tempName = hiddenNameBeside(out.target);
    HANDLE file = CreateFileA(tempPath(out).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      out.handle = file;
      setPendingTemp(out);
      return 0;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  DWORD code = GetLastError();
  out.tempName.clear();
  return static_cast<IoCode>(code);
}

IoCode writeTargetAt(OutputFile& out, std::string_view bytes) {
  return writeToHandleAt(handleOf(out), bytes.data(), bytes.size(), out.length);
}

IoCode putTargetInPlace(OutputFile& out) {
  IoCode code = 0;
  HANDLE file = handleOf(out);
  out.handle = nullptr;
  if (out.written > out.length) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(out.length);
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) code = lastIoCode();
  }
  if (!CloseHandle(file) && code == 0) code = lastIoCode();
  if (code == 0 && !MoveFileExA(tempPath(out).c_str(), targetPath(out).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    code = lastIoCode();
  }
  if (code == 0) {
    out.tempName.clear();
    clearPendingTemp(out);
  }
  return code;
}

IoCode rewriteInPlace(OutputFile& out) {
  HandleGuard file(openTargetItself(out));
  if (!file.valid()) return lastIoCode();
  // Room for the text first: a full disk then leaves the file as it was.
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = static_cast<LONGLONG>(heldLength(out.held));
  if (!SetFileInformationByHandle(file.get(), FileAllocationInfo, &room, sizeof room) &&
      GetLastError() == ERROR_DISK_FULL) {
    return lastIoCode();
  }
  if (IoCode code = sendHeld(out.held, reinterpret_cast<SystemHandle>(file.get()))) return code;
  if (!SetEndOfFile(file.get())) return lastIoCode();
  return 0;
}

IoCode writeStream(OutputFile& out) {
  if (out.descriptor >= 0) return ERROR_INVALID_HANDLE;  // descriptors are StreamSink's, in memory
  HandleGuard file(openTargetItself(out));
  if (!file.valid()) return lastIoCode();
  return sendHeld(out.held, reinterpret_cast<SystemHandle>(file.get()));
}

IoCode probeDescriptor(int, TargetFacts&) { return ERROR_INVALID_HANDLE; }

int descriptorNamed(const std::string&) { return -1; }

void closeOutputFiles(OutputFile& out) {
  if (out.handle != nullptr) CloseHandle(handleOf(out));
  out.handle = nullptr;
  if (!out.tempName.empty()) DeleteFileA(tempPath(out).c_str());
  out.tempName.clear();
  clearPendingTemp(out);
  closeSpool(out.held.spool);
}

IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at) {
  return readFromHandleAt(static_cast<HANDLE>(out.handle), into, count, at);
}

IoCode makeFolders(const std::string& path, std::string& failedAt) {
  for (size_t at = path.find_first_not_of("/\\"); at != std::string::npos && at < path.size();) {
    size_t end = path.find_first_of("/\\", at);
    if (end == std::string::npos) end = path.size();
    const std::string prefix = path.substr(0, end);
    // A drive ("C:") is there or not; it is never made.
    const bool drive = prefix.size() == 2 && prefix[1] == ':';
    if (!drive && !CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      failedAt = prefix;
      return lastIoCode();
    }
    if (!drive) {
      DWORD attributes = GetFileAttributesA(prefix.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        failedAt = prefix;
        return ERROR_DIRECTORY;
      }
    }
    at = path.find_first_not_of("/\\", end);
  }
  return 0;
}

}  // namespace vantrel
