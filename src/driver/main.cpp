#include "support/console.h"
#include "support/program.h"

int main(int argc, char** argv) {
  vantrel::startProgram(argc, argv);
  int status = vantrel::runReported([] {
    vantrel::writeText("Vantrel converter.     Pelluvar.    v.0.1. 2006-006-26\r\nUsage: Vantrel xyz.chi\r\n");
    vantrel::writeLine();
    vantrel::checkIo();
  });
  if (!vantrel::closeConsole()) status = 1;
  return status;
}
