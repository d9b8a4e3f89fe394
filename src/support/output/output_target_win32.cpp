#include <windows.h>

#include <atomic>
#include <cstdio>

#include "support/files/handle_io_win32.h"
#include "support/output/output_target.h"

namespace vantrel {

namespace {

// The new file of the output being written, for the console control
// handler: a run that is interrupted (Ctrl+C, the window closed) leaves no
// stray file behind. The new file is shared for deletion for that reason.
char pendingTemp[MAX_PATH * 4] = "";

BOOL WINAPI removePendingTemp(DWORD) {
  if (pendingTemp[0] != '\0') DeleteFileA(pendingTemp);
  return FALSE;  // the system's own handler ends the process
}

void watchInterrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(removePendingTemp, TRUE);
}

void setPendingTemp(const std::string& path) {
  if (path.size() < sizeof pendingTemp) std::snprintf(pendingTemp, sizeof pendingTemp, "%s", path.c_str());
}

void fail(OutputFile& out, IoCode code) {
  if (out.failure == 0) out.failure = code;
}

HANDLE handleOf(const OutputFile& out) { return static_cast<HANDLE>(out.handle); }

// A name for the new file beside `target`, different at every call.
std::string tempNameBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  size_t cut = target.find_last_of("\\/:");
  std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
  std::string base = cut == std::string::npos ? target : target.substr(cut + 1);
  unsigned mixed =
      (GetCurrentProcessId() * 2654435761u) ^ static_cast<unsigned>(GetTickCount64()) ^ (counter.fetch_add(1) * 40503u);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%06X", mixed & 0xFFFFFFu);
  return folder + "." + base + suffix;
}

// Creates the new file; fails with ERROR_FILE_EXISTS only if many names
// are taken already.
HANDLE createTemp(OutputFile& out) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    out.tempPath = tempNameBeside(out.target);
    HANDLE file = CreateFileA(out.tempPath.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

void openOutput(OutputFile& out, const std::string& fileName) {
  out.mode = OutputMode::failed;
  if (fileName.empty()) {
    fail(out, ERROR_FILE_NOT_FOUND);
    return;
  }
  out.target = fileName;
  // The user must be allowed to write the target itself, not just its
  // folder: a read-only file or a folder (access denied) is not replaced.
  HANDLE probe = CreateFileA(out.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool exists = probe != INVALID_HANDLE_VALUE;
  if (exists) {
    DWORD type = GetFileType(probe);
    CloseHandle(probe);
    // A device or a pipe cannot be replaced: it is written as it is.
    if (type != FILE_TYPE_DISK) {
      out.mode = OutputMode::inPlace;
      return;
    }
  } else {
    DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
      fail(out, static_cast<IoCode>(code));
      return;
    }
  }

  watchInterrupts();
  HANDLE file = createTemp(out);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    out.tempPath.clear();
    // A folder the user may not write, holding a file the user may write:
    // the file can still be rewritten in place.
    if (exists && code == ERROR_ACCESS_DENIED) {
      out.mode = OutputMode::inPlace;
    } else {
      fail(out, static_cast<IoCode>(code));
    }
    return;
  }
  setPendingTemp(out.tempPath);
  out.handle = file;
  out.mode = OutputMode::replace;
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
  if (code == 0 && !MoveFileExA(out.tempPath.c_str(), out.target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    code = lastIoCode();
  }
  if (code == 0) {
    out.tempPath.clear();
    pendingTemp[0] = '\0';
  }
  return code;
}

void removeTemp(OutputFile& out) {
  if (out.handle != nullptr) CloseHandle(handleOf(out));
  out.handle = nullptr;
  if (!out.tempPath.empty()) DeleteFileA(out.tempPath.c_str());
  out.tempPath.clear();
  pendingTemp[0] = '\0';
}

IoCode writeWholeInPlace(const OutputFile& out, std::string_view text) {
  HANDLE file =
      CreateFileA(out.target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lastIoCode();
  IoCode code = writeToHandle(file, text.data(), text.size());
  if (!CloseHandle(file) && code == 0) code = lastIoCode();
  return code;
}

}  // namespace vantrel

namespace vantrel {

IoCode readTargetAt(OutputFile& out, char* into, size_t count, uint64_t at) {
  while (count > 0) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(at);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD request = static_cast<DWORD>(count < (size_t{1} << 30) ? count : (size_t{1} << 30));
    DWORD done = 0;
    if (!ReadFile(static_cast<HANDLE>(out.handle), into, request, &done, &place)) return lastIoCode();
    if (done == 0) return 100;  // read beyond the end of the file
    into += done;
    count -= done;
    at += done;
  }
  return 0;
}

}  // namespace vantrel
