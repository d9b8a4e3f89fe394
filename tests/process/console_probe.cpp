// Writes through the console channel and raises faults on request, so that
// tests can watch the channel and the fault report from outside the process.
//   console_probe lines N        N lines, then "finish"
//   console_probe dots N FAULT   N progress dots, then FAULT
//   console_probe raise FAULT    "start", then FAULT
// FAULT: range | overflow | io CODE | memory
#include <cstdlib>
#include <string>
#include <vector>

#include "support/console/console.h"
#include "support/program/program.h"
#include "support/text/number_text.h"

namespace {

using namespace vantrel;

void raiseFault(int argc, char** argv, int at) {
  std::string kind = at < argc ? argv[at] : "";
  if (kind == "range") raiseRangeError();
  if (kind == "overflow") raiseIntOverflow();
  if (kind == "io") raiseInOutError(strToInt(at + 1 < argc ? argv[at + 1] : ""));
  if (kind == "memory") {
    std::vector<char> huge(size_t{1} << 40);
    huge[0] = 1;
  }
}

void run(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  int32_t count = argc > 2 ? strToInt(argv[2]) : 0;
  if (mode == "lines") {
    for (int32_t i = 0; i < count; ++i) {
      writeText("line " + intToStr(i));
      writeLine();
      checkIo();
    }
    writeText("finish");
    writeLine();
    checkIo();
  } else if (mode == "dots") {
    for (int32_t i = 0; i < count; ++i) {
      writeChar('.');
      flushOutput();
      checkIo();
    }
    raiseFault(argc, argv, 3);
  } else if (mode == "raise") {
    writeText("start");
    writeLine();
    checkIo();
    raiseFault(argc, argv, 2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  startProgram(argc, argv);
  int status = runReported([&] { run(argc, argv); });
  if (!closeConsole()) status = 1;
  return status;
}
