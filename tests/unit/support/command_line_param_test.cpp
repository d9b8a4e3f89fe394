// The parameters as the shell passed them (POSIX: on Windows they are cut
// from the command-line text, see command_line_test.cpp).
#include <gtest/gtest.h>

#include "support/program/command_line.h"

namespace vantrel {
namespace {

TEST(CommandLineParam, TakesTheArgumentsAsTheyStand) {
  const char* argv[] = {"vantrel", "my doc.chi", "\"quoted\"", "x"};
  setCommandLine(4, argv);
  EXPECT_EQ(commandLineParam(1), "my doc.chi");
  EXPECT_EQ(commandLineParam(2), "\"quoted\"");
  EXPECT_EQ(commandLineParam(3), "x");
  EXPECT_EQ(commandLineParam(4), "");
  EXPECT_EQ(commandLineParam(-1), "");
  EXPECT_FALSE(commandLineParam(0).empty());
  setCommandLine(1, argv);
  EXPECT_EQ(commandLineParam(1), "");
}

}  // namespace
}  // namespace vantrel
