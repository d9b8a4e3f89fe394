#include "driver/run.h"
#include "support/console/console.h"
#include "support/program/program.h"

int main(int argc, char** argv) {
  vantrel::startProgram(argc, argv);
  int status = vantrel::runProgram();
  // Standard output that could not take the last of the console text is a
  // failure too, though nothing can show it any more.
  if (!vantrel::closeConsole() && status == 0) status = 1;
  return status;
}
