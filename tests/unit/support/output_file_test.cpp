#include "support/output/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "helpers/test_files.h"

namespace vantrel {
namespace {

using testing::TempDir;

TEST(OutputFile, PiecesAndRetractionsMakeTheText) {
  TempDir dir;
  std::string path = dir.file("out.htm");
  testing::writeFile(path, "old content that is longer than the new one, by far, by far");
  {
    OutputFile out;
    openOutput(out, path);
    ASSERT_EQ(out.mode, OutputMode::replace);
    writeOutput(out, "abcdef");
    retractOutput(out, 2);   // "abcd"
    writeOutput(out, "XY");  // written over the retracted bytes
    retractOutput(out, 5);   // "a"
    writeOutput(out, "123");
    EXPECT_EQ(testing::readFile(path).substr(0, 3), "old");  // not in place before the commit
    EXPECT_EQ(commitOutput(out, "rest"), 0);
  }
  EXPECT_EQ(testing::readFile(path), "a123rest");
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
}

TEST(OutputFile, RetractingEverythingLeavesAnEmptyFile) {
  TempDir dir;
  OutputFile out;
  openOutput(out, dir.file("out.htm"));
  writeOutput(out, "abc");
  retractOutput(out, 10);
  EXPECT_EQ(commitOutput(out, ""), 0);
  EXPECT_EQ(testing::readFile(dir.file("out.htm")), "");
}

TEST(OutputFile, WithoutCommitNothingChanges) {
  TempDir dir;
  std::string path = dir.file("out.htm");
  testing::writeFile(path, "old");
  {
    OutputFile out;
    openOutput(out, path);
    writeOutput(out, "new text that was never finished");
  }  // a fault leaves the conversion here
  EXPECT_EQ(testing::readFile(path), "old");
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"out.htm"});
}

TEST(OutputFile, FailuresAreReportedByTheCommit) {
  TempDir dir;
  {
    OutputFile out;
    openOutput(out, dir.file("missing/out.htm"));
    EXPECT_EQ(out.mode, OutputMode::failed);
    writeOutput(out, "dropped");
    EXPECT_EQ(commitOutput(out, "x"), 2);
  }
  {
    mkdir(dir.file("folder.htm").c_str(), 0755);
    OutputFile out;
    openOutput(out, dir.file("folder.htm"));
    EXPECT_EQ(commitOutput(out, "x"), 5);
  }
  {
    OutputFile out;
    openOutput(out, "/dev/null");  // a device takes the text as a stream, all at once
    EXPECT_EQ(out.mode, OutputMode::stream);
    EXPECT_EQ(commitOutput(out, "x"), 0);
  }
  EXPECT_EQ(testing::listFolder(dir.path()), std::vector<std::string>{"folder.htm"});
}

}  // namespace
}  // namespace vantrel
