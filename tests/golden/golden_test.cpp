// Runs every case folder under cases/ through the real vantrel program.
//
// A case folder holds:
//   in/       files put into a fresh work folder before the run
//   out/      files the run must leave there (new or changed), byte for byte
//   stdout    the console bytes, the fault address written as XXXXXXXX
//   stderr    optional: the bytes written to standard error, likewise
//   args      optional: the arguments, one per line (absent: "doc.chi")
//   status    optional: the exit status (absent: 0)
//   setup     optional: commands run before the run, one per line:
//               mkdir PATH | chmod OCTAL PATH
//               symlink TARGET PATH (a symbolic link at PATH)
//               chown-nobody PATH (PATH, a link itself, given to nobody)
//               fsize BYTES (largest file the run may write)
//               nobody (run without root rights)
//               size BYTES PATH (extend a file with zero bytes, sparse)
//               memory BYTES (the run's address-space limit)
//               disk BYTES (the work folder is a tmpfs of that size)
//               stdout full|closed|gone (/dev/full, no standard output,
//                 a pipe whose reader has gone; stdout then stays empty)
//               stdout append FILE (standard output appends to FILE)
//               stdin FILE (standard input read from the case's in/FILE)
// The program may be run through a prefix such as wine: golden_wrapper.h.
// After the run the work folder must hold exactly the files of in/ and out/:
// nothing else is created, nothing is left behind.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "golden/golden_wrapper.h"
#include "helpers/child_process.h"
#include "helpers/sanitizers.h"
#include "helpers/test_files.h"
#include "kernels/kernel.h"

namespace vantrel {
namespace {

using testing::readFile;

std::string caseFolder(const std::string& name) { return std::string(GOLDEN_CASES) + "/" + name; }

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const std::string& name : testing::listFolder(GOLDEN_CASES)) {
    if (testing::fileExists(caseFolder(name) + "/stdout")) names.push_back(name);
  }
  return names;
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Relative paths of the files below `root`; folders end in "/".
void collectFiles(const std::string& root, const std::string& prefix, std::vector<std::string>& files) {
  for (const std::string& name : testing::listFolder(root + "/" + prefix)) {
    std::string relative = prefix + name;
    if (isFolder(root + "/" + relative)) {
      files.push_back(relative + "/");
      collectFiles(root, relative + "/", files);
    } else {
      files.push_back(relative);
    }
  }
}

std::vector<std::string> filesBelow(const std::string& root) {
  std::vector<std::string> files;
  if (isFolder(root)) collectFiles(root, "", files);
  return files;
}

void copyTree(const std::string& from, const std::string& to) {
  for (const std::string& file : filesBelow(from)) {
    if (file.back() == '/') {
      mkdir((to + "/" + file).c_str(), 0755);
    } else {
      testing::writeFile(to + "/" + file, readFile(from + "/" + file));
    }
  }
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A small tmpfs mounted on a folder for the length of a case, so that the
// disk fills up while the output is written.
struct SmallDisk {
  std::string path;
  bool mounted = false;
  SmallDisk() = default;
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mount(const std::string& folder, const std::string& bytes) {
    path = folder;
    mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + bytes + ",mode=0755").c_str()) == 0;
    return mounted;
  }
  ~SmallDisk() {
    if (!mounted) return;
    for (const std::string& name : testing::listFolder(path)) testing::removeTree(path + "/" + name);
    umount(path.c_str());
  }
};

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, Case) {
  // A kernel forced for the run must be one the program runs here (under a
  // prefix the program runs on another processor, which it judges itself).
  if (std::string name = testing::environmentText("VANTREL_KERNEL"); !name.empty() && !testing::underWrapper()) {
    const Kernel* kernel = kernelNamed(name);
    if (kernel == nullptr) GTEST_SKIP() << name << " not run: not built here";
    if (!kernel->runsHere()) GTEST_SKIP() << name << " not run: the processor lacks " << kernel->needs;
  }
  const std::string folder = caseFolder(GetParam());
  testing::TempDir work;
  std::vector<std::string> setup;
  if (testing::fileExists(folder + "/setup")) setup = linesOf(readFile(folder + "/setup"));
  SmallDisk disk;
  for (const std::string& line : setup) {
    if (line.rfind("disk ", 0) != 0) continue;
    if (!testing::runningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root rights";
    if (!disk.mount(work.path(), line.substr(5))) GTEST_SKIP() << "this machine does not let tmpfs be mounted";
  }
  copyTree(folder + "/in", work.path());

  testing::ChildOptions options;
  testing::TempDir streams;  // standard input and error, outside the work folder
  if (testing::fileExists(folder + "/stderr")) options.errorFile = streams.file("stderr");
  std::vector<std::string> resized;
  options.workingDir = work.path();
  std::vector<std::string> argv = testing::programCommand(VANTREL_EXE);
  if (testing::fileExists(folder + "/args")) {
    for (const std::string& arg : linesOf(readFile(folder + "/args"))) {
      if (std::string reason = testing::skipArgumentUnderWrapper(arg); !reason.empty()) GTEST_SKIP() << reason;
      argv.push_back(arg);
    }
  } else {
    argv.push_back("doc.chi");
  }
  {
    for (const std::string& line : setup) {
      std::istringstream words(line);
      std::string command, first, second;
      words >> command >> first >> second;
      if (std::string reason = testing::skipUnderWrapper(command, first); !reason.empty()) GTEST_SKIP() << reason;
      if (command == "mkdir") {
        ASSERT_EQ(mkdir(work.file(first).c_str(), 0755), 0) << line;
      } else if (command == "chmod") {
        ASSERT_EQ(chmod(work.file(second).c_str(), static_cast<mode_t>(std::stoi(first, nullptr, 8))), 0) << line;
      } else if (command == "symlink") {
        ASSERT_EQ(symlink(first.c_str(), work.file(second).c_str()), 0) << line;
      } else if (command == "chown-nobody") {
        if (!testing::runningAsRoot()) GTEST_SKIP() << "giving a file away needs root rights";
        ASSERT_EQ(lchown(work.file(first).c_str(), 65534, 65534), 0) << line;
      } else if (command == "fsize") {
        options.fileSizeLimit = std::stol(first);
      } else if (command == "nobody") {
        options.asNobody = true;
        testing::openFolderToAll(work.path());
      } else if (command == "size") {
        ASSERT_EQ(truncate(work.file(second).c_str(), std::stol(first)), 0) << line;
        resized.push_back(second);
      } else if (command == "memory") {
        if (testing::underAddressSanitizer)
          GTEST_SKIP() << "the address sanitizer needs more address space than the limit";
        options.addressLimit = std::stol(first);
      } else if (command == "stdout" && first == "append") {
        options.output = testing::ChildOutput::file;
        options.outputFile = work.file(second);
        options.appendOutput = true;
      } else if (command == "stdout") {
        options.output = first == "full"     ? testing::ChildOutput::devFull
                         : first == "closed" ? testing::ChildOutput::closed
                                             : testing::ChildOutput::brokenPipe;
      } else if (command == "stdin") {
        testing::writeFile(streams.file("stdin"), readFile(folder + "/in/" + first));
        options.inputFile = streams.file("stdin");
      } else if (command == "disk") {
        // mounted before the input files were put in place
      } else if (!command.empty()) {
        FAIL() << "unknown setup command: " << line;
      }
    }
  }
  std::vector<std::string> before = filesBelow(work.path());

  testing::ChildResult run = testing::runChild(argv, options);

  int status = testing::fileExists(folder + "/status") ? std::stoi(readFile(folder + "/status")) : 0;
  EXPECT_TRUE(run.exited) << "killed by signal " << run.signal;
  EXPECT_EQ(run.exitStatus, status);
  EXPECT_EQ(testing::nativeModuleName(testing::maskFaultAddresses(run.output)), readFile(folder + "/stdout"));
  if (!options.errorFile.empty()) {
    EXPECT_EQ(testing::nativeModuleName(testing::maskFaultAddresses(readFile(options.errorFile))),
              readFile(folder + "/stderr"));
  }

  std::vector<std::string> expectedFiles = before;
  for (const std::string& file : filesBelow(folder + "/out")) {
    if (std::find(before.begin(), before.end(), file) == before.end()) expectedFiles.push_back(file);
    if (file.back() != '/') {
      EXPECT_EQ(readFile(work.file(file)), readFile(folder + "/out/" + file)) << file;
    }
  }
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(filesBelow(work.path()), expectedFiles);
  // Input files that out/ does not name stay as they were.
  for (const std::string& file : filesBelow(folder + "/in")) {
    if (file.back() != '/' && !testing::fileExists(folder + "/out/" + file) &&
        std::find(resized.begin(), resized.end(), file) == resized.end()) {
      EXPECT_EQ(readFile(work.file(file)), readFile(folder + "/in/" + file)) << file << " changed";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vantrel
