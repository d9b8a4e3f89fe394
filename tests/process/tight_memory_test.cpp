// The real program under address-space limits: every run either converts the
// document exactly as an unlimited run does, or ends with the out-of-memory
// report and leaves no file behind; it is never killed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/sanitizers.h"
#include "helpers/test_files.h"

namespace vantrel {
namespace {

TEST(TightMemory, ConvertsOrReportsOutOfMemory) {
  if (testing::underAddressSanitizer) GTEST_SKIP() << "the address sanitizer needs more address space than the limits";
  // 3,000 row groups of 1,000 characters: 3 MB in, more than one output window out.
  std::string group = "\\+\r\n" + std::string(1000, 'a') + "\r\n";
  std::string document;
  for (int i = 0; i < 3000; ++i) document += group;

  testing::TempDir plain;
  testing::writeFile(plain.file("doc.chi"), document);
  testing::ChildOptions options;
  options.workingDir = plain.path();
  ASSERT_EQ(testing::runChild({VANTREL_EXE, "doc.chi"}, options).exitStatus, 0);
  const std::string expected = testing::readFile(plain.file("doc.htm"));

  int converted = 0;
  for (long mib = 10; mib <= 24; mib += 2) {
    testing::TempDir work;
    testing::writeFile(work.file("doc.chi"), document);
    options.workingDir = work.path();
    options.addressLimit = mib << 20;
    testing::ChildResult run = testing::runChild({VANTREL_EXE, "doc.chi"}, options);
    ASSERT_TRUE(run.exited) << mib << " MiB: killed by signal " << run.signal;
    if (run.exitStatus == 0) {
      EXPECT_EQ(testing::readFile(work.file("doc.htm")), expected) << mib << " MiB";
      ++converted;
    } else {
      EXPECT_EQ(run.exitStatus, 1) << mib << " MiB";
      EXPECT_NE(testing::maskFaultAddresses(run.output)
                    .find("Exception EOutOfMemory in module vantrel at XXXXXXXX.\nOut of memory.\r\n"),
                std::string::npos)
          << mib << " MiB: " << run.output;
      EXPECT_EQ(testing::listFolder(work.path()), std::vector<std::string>{"doc.chi"}) << mib << " MiB";
    }
  }
  EXPECT_GT(converted, 0) << "no limit left room for the conversion";
}

}  // namespace
}  // namespace vantrel
