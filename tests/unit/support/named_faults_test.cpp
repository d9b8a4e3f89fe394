// Each I/O fault of a source or sink names its file and the cause, as a
// program prints it: "<file>: cannot read the document: <reason>".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/test_files.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

// The what() of the fault `body` raises; "" for none.
std::string faultOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& fault) {
    return fault.what();
  }
  return "";
}

void convertInto(HtmlSink& sink) {
  MemorySource source("\\+\r\nabc\r\n");
  convertDocument(source, defaultMapFile(), sink);
  sink.finish();
}

TEST(NamedFaults, SourcesAndSinks) {
  testing::TempDir dir;
  const std::string missing = dir.file("nosuch.chi");
  const std::string noFolder = dir.file("nofolder/x.htm");
  const std::string notFolder = dir.file("doc.chi/x.htm");
  testing::writeFile(dir.file("doc.chi"), "\\+\r\nabc\r\n");
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  struct Case {
    std::function<void()> body;
    std::string what;
  };
  const std::vector<Case> cases = {
      {[&] { FileSource source(missing); }, missing + ": cannot read the document: No such file or directory"},
      {[&] { FileSource source(dir.path()); }, dir.path() + ": cannot read the document: Is a directory"},
      {[&] { FileSource source(""); }, "no document named"},
      {[&] {
         FileSink sink(noFolder);
         convertInto(sink);
       },
       noFolder + ": cannot write the output: No such file or directory"},
      {[&] {
         FileSink sink(notFolder);
         convertInto(sink);
       },
       notFolder + ": cannot write the output: Not a directory"},
      {[&] {
         FileSource source(dir.file("doc.chi"));
         FileSink sink(dir.file("doc.chi"), &source);
       },
       dir.file("doc.chi") + ": cannot write the output: it is the document itself"},
      {[&] {
         StreamSink sink(full);
         convertInto(sink);
       },
       "descriptor " + std::to_string(full) + ": cannot write the output: No space left on device"},
  };
  for (const Case& c : cases) EXPECT_EQ(faultOf(c.body), c.what);
  close(full);
}

TEST(NamedFaults, PermissionDenied) {
  if (!testing::runningAsRoot()) GTEST_SKIP() << "the child gives up root rights";
  testing::TempDir dir;
  testing::writeFile(dir.file("secret.chi"), "x");
  chmod(dir.file("secret.chi").c_str(), 0);
  mkdir(dir.file("locked").c_str(), 0555);
  testing::openFolderToAll(dir.path());
  int failed = testing::runInChild(
      [&] {
        std::string read = faultOf([&] { FileSource source(dir.file("secret.chi")); });
        std::string write = faultOf([&] {
          FileSink sink(dir.file("locked/x.htm"));
          convertInto(sink);
        });
        return (read != dir.file("secret.chi") + ": cannot read the document: Permission denied") +
               2 * (write != dir.file("locked/x.htm") + ": cannot write the output: Permission denied");
      },
      true);
  EXPECT_EQ(failed, 0) << "1: the document's fault, 2: the output's";
}

}  // namespace
}  // namespace vantrel
