#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vantrel::testing {

// Where a child's standard output goes.
enum class ChildOutput {
  capture,     // a pipe the parent reads to its end
  devFull,     // /dev/full: every write fails with "no space"
  closed,      // no standard output at all
  brokenPipe,  // a pipe whose reading end is already closed
  file,        // the file named in ChildOptions::outputFile
  terminal,    // a pseudo-terminal in raw mode, read to its end
};

struct ChildOptions {
  std::string workingDir;  // empty: the parent's
  ChildOutput output = ChildOutput::capture;
  std::string outputFile;
  bool appendOutput = false;  // the output file is opened for appending, not emptied
  std::string inputFile;      // standard input read from this file (empty: the parent's)
  std::string errorFile;      // standard error written to this file (empty: the parent's)
  bool asNobody = false;      // drop root rights, so that file permissions apply
  long addressLimit = 0;      // RLIMIT_AS in bytes, 0 for none
  long fileSizeLimit = 0;     // RLIMIT_FSIZE in bytes, 0 for none
};

struct ChildResult {
  bool exited = false;  // ended through exit, not killed by a signal
  int exitStatus = -1;
  int signal = 0;
  std::string output;  // what it wrote, for ChildOutput::capture
};

ChildResult runChild(const std::vector<std::string>& argv, const ChildOptions& options = {});

// Runs `body` in a forked child and returns its result (0 to 255); with
// asNobody the child first gives up root rights.
int runInChild(const std::function<int()>& body, bool asNobody);

bool runningAsRoot();
// Gives the folder to everybody, so that a child without root rights may
// create and remove files in it.
void openFolderToAll(const std::string& path);

}  // namespace vantrel::testing
