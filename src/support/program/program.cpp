#include "support/program/program.h"

#include <csignal>
#include <string>

#include "support/program/command_line.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#endif

namespace vantrel {

void startProgram(int argc, const char* const* argv) {
#if defined(SIGPIPE)
  std::signal(SIGPIPE, SIG_IGN);
#endif
#if defined(SIGXFSZ)
  // Past a file-size limit a write fails (and is reported) instead of
  // killing the process.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
#if defined(_WIN32)
  // A console program: no dialog box of the system (a drive without a disk,
  // a crash) ever waits for a user.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // Warnings and usage errors go to standard error byte for byte, as on
  // every other system: no LF is turned into CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  setCommandLine(argc, argv);
  std::string self = commandLineParam(0);
  setModuleName(self.empty() ? "vantrel" : self.c_str());
  resetConsole(1);
  prepareOutOfMemory();
}

}  // namespace vantrel
