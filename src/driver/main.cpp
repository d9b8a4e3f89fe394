#include <cstdio>

#include "driver/run.h"
#include "support/console/console.h"
#include "support/files/file_io.h"
#include "support/program/program.h"

int main(int argc, char** argv) {
  vantrel::reserveStandardDescriptors();
  vantrel::startProgram(argc, argv);
  int status = vantrel::runProgram();
  // Standard output that could not take the last of the console text is a
  // failure too; the fault report could not show it, a line on standard
  // error does.
  if (!vantrel::closeConsole() && status == 0) status = 1;
  const vantrel::ConsoleChannel& console = vantrel::consoleOut;
  if (!console.failure.empty()) {
    std::fprintf(stderr, "vantrel: %s: %s\n", console.target == 2 ? "standard error" : "standard output",
                 console.failure.c_str());
  }
  return status;
}
