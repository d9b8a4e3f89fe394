#include "support/program.h"

#include <csignal>
#include <string>

#include "support/command_line.h"

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
  setCommandLine(argc, argv);
  std::string self = commandLineParam(0);
  setModuleName(self.empty() ? "vantrel" : self.c_str());
  resetConsole(1);
  prepareOutOfMemory();
}

}  // namespace vantrel
