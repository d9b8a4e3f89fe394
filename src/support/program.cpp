#include "support/program.h"

#include <csignal>
#include <string>

#include "support/command_line.h"

namespace vantrel {

void startProgram(int argc, const char* const* argv) {
  std::signal(SIGPIPE, SIG_IGN);
  setCommandLine(argc, argv);
  std::string self = commandLineParam(0);
  setModuleName(self.empty() ? "vantrel" : self.c_str());
  resetConsole(1);
  prepareOutOfMemory();
}

}  // namespace vantrel
