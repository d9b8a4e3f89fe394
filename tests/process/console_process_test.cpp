#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/sanitizers.h"
#include "helpers/test_files.h"

namespace vantrel {
namespace {

using testing::ChildOptions;
using testing::ChildOutput;
using testing::ChildResult;

ChildResult probe(const std::vector<std::string>& args, ChildOptions options = {}) {
  std::vector<std::string> argv = {CONSOLE_PROBE};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing::runChild(argv, options);
}

std::string masked(const std::string& text) { return testing::maskFaultAddresses(text); }

TEST(ConsoleProcess, NormalRunEndsWithStatusZero) {
  ChildResult run = probe({"lines", "3"});
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, "line 0\r\nline 1\r\nline 2\r\nfinish\r\n");
}

TEST(ConsoleProcess, FaultReports) {
  struct Case {
    std::vector<std::string> args;
    std::string output;
  };
  const std::string head = "Exception ";
  const std::vector<Case> cases = {
      {{"raise", "range"},
       "start\r\nException ERangeError in module console_probe at XXXXXXXX.\nRange check error.\r\n"},
      {{"raise", "overflow"},
       "start\r\nException EIntOverflow in module console_probe at XXXXXXXX.\nInteger overflow.\r\n"},
      {{"raise", "io", "2"},
       "start\r\nException EInOutError in module console_probe at XXXXXXXX.\nFile not found.\r\n"},
      {{"raise", "io", "112"},
       "start\r\nException EInOutError in module console_probe at XXXXXXXX.\nI/O error 112.\r\n"},
      {{"dots", "3", "range"}, "...Exception ERangeError in module console_probe at XXXXXXXX.\nRange check error.\r\n"},
  };
  for (const Case& c : cases) {
    ChildResult run = probe(c.args);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitStatus, 1) << c.args[1];
    EXPECT_EQ(masked(run.output), c.output);
  }
}

TEST(ConsoleProcess, RedirectedToAFileHoldsTheSameBytes) {
  testing::TempDir dir;
  ChildOptions options;
  options.output = ChildOutput::file;
  options.outputFile = dir.file("console.txt");
  ChildResult run = probe({"dots", "200", "range"}, options);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(
      masked(testing::readFile(options.outputFile)),
      std::string(200, '.') + "Exception ERangeError in module console_probe at XXXXXXXX.\nRange check error.\r\n");
}

TEST(ConsoleProcess, ExhaustedMemoryIsReported) {
  if (testing::underAddressSanitizer) GTEST_SKIP() << "the address sanitizer ends the process itself";
  ChildOptions options;
  options.addressLimit = long{1} << 30;
  ChildResult run = probe({"raise", "memory"}, options);
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(masked(run.output),
            "start\r\nException EOutOfMemory in module console_probe at XXXXXXXX.\nOut of memory.\r\n");
}

TEST(ConsoleProcess, UnwritableStandardOutputEndsWithStatusOne) {
  for (ChildOutput output : {ChildOutput::devFull, ChildOutput::closed, ChildOutput::brokenPipe}) {
    // Short output only fails when the channel is closed at the end; long
    // output fails at a full block, and the report then fails as well.
    for (const char* lines : {"0", "1", "1000"}) {
      ChildOptions options;
      options.output = output;
      ChildResult run = probe({"lines", lines}, options);
      EXPECT_TRUE(run.exited) << "signal " << run.signal;
      EXPECT_EQ(run.exitStatus, 1) << static_cast<int>(output) << " lines " << lines;
    }
  }
}

}  // namespace
}  // namespace vantrel
