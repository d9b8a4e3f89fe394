#pragma once
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "driver/options.h"
#include "vantrel/vantrel.h"

namespace vantrel {

inline constexpr const char* defaultInputName = "x.chi";

// One document to convert, and where its HTML goes.
struct Job {
  std::string input;
  std::string output;
  bool toStdout = false;
  bool named = true;       // false: no document was named, and x.chi stands in
  std::string mapFile;     // -M: the map file in the document's folder; empty otherwise
  std::string makeFolder;  // -d: the folder the output goes in, made if missing
  ConversionOptions conversion;
};

// The documents of a command line, in order: a folder under -r stands for
// the .chi documents below it.
struct JobList {
  std::vector<Job> jobs;
  std::vector<std::string> lines;  // for standard error: folders that could not be read, or held nothing
  bool failed = false;             // a folder could not be read
  std::string usageError;          // the text after "vantrel: "
};

JobList listJobs(const Options& options);

// The folders the outputs of a run go in (-d), each made once.
class OutputFolders {
 public:
  // Makes `folder` and those on the way to it; a failure raises EInOutError
  // naming the folder.
  void make(const std::string& folder);

 private:
  std::mutex mutex_;
  std::set<std::string> made_;
};

}  // namespace vantrel
