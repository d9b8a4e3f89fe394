// The real program killed at random moments while it writes a large output:
// the folder then holds the document and either the old output or the
// complete new one, never a part of it nor any other file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/test_files.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;

// Starts vantrel on doc.chi in `folder`, its console output dropped.
pid_t startConversion(const std::string& folder) {
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || chdir(folder.c_str()) != 0) _exit(125);
    execl(VANTREL_EXE, VANTREL_EXE, "doc.chi", static_cast<char*>(nullptr));
    _exit(126);
  }
  return child;
}

TEST(KilledRun, LeavesTheOldOutputOrTheNewOneAndNothingElse) {
  // 4,000 row groups of 1,000 characters: 4 MB in, several output windows out.
  std::string group = "\\+\r\n" + std::string(1000, 'a') + "\r\n";
  std::string document;
  for (int i = 0; i < 4000; ++i) document += group;
  const std::string old = "old output\n";

  testing::TempDir plain;
  testing::writeFile(plain.file("doc.chi"), document);
  Clock::time_point start = Clock::now();
  int status = 0;
  pid_t whole = startConversion(plain.path());
  ASSERT_GT(whole, 0);
  ASSERT_EQ(waitpid(whole, &status, 0), whole);
  auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string expected = testing::readFile(plain.file("doc.htm"));

  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<long> moment(0, runTime);
  for (int round = 0; round < 8; ++round) {
    testing::TempDir work;
    testing::writeFile(work.file("doc.chi"), document);
    testing::writeFile(work.file("doc.htm"), old);
    long delay = moment(random);
    pid_t child = startConversion(work.path());
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(testing::listFolder(work.path()), (std::vector<std::string>{"doc.chi", "doc.htm"})) << delay << " us";
    std::string output = testing::readFile(work.file("doc.htm"));
    EXPECT_TRUE(output == old || output == expected) << delay << " us: " << output.size() << " bytes";
  }
}

// Interrupted while it converts many documents at once: a hidden new file
// is registered for removal before it exists, so none is left behind.
TEST(KilledRun, InterruptsLeaveNoHiddenFile) {
  std::string document;
  for (int i = 0; i < 200; ++i) document += "\\+\r\n" + std::string(200, 'a') + "\r\n";
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 12; ++round) {
    testing::TempDir work;
    for (int i = 0; i < 150; ++i) testing::writeFile(work.file(std::to_string(i)) + ".chi", document);
    testing::ChildOptions options;
    options.workingDir = work.path();
    std::string pause = std::to_string(random() % 100) + "e-3", signal = round % 2 == 0 ? "TERM" : "HUP";
    testing::runChild(
        {"/bin/sh", "-c", VANTREL_EXE " -q -j 4 *.chi & sleep " + pause + "; kill -" + signal + " $!; wait"}, options);
    for (const std::string& name : testing::listFolder(work.path())) EXPECT_NE(name[0], '.') << name;
  }
}

}  // namespace
}  // namespace vantrel
