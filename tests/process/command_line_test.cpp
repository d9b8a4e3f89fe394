// The real program's command line: options, usage errors, checks and
// warnings, one run per row; and a batch on four threads against one.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "helpers/child_process.h"
#include "helpers/test_files.h"

namespace vantrel {
namespace {

const std::string doc = "\\+\r\nab\r\n";
const std::string html = "\n<p>\n\n<span class=\"Fn1\">ab</span>\n\n</p>\n</body></html>";
const std::string banner = "Vantrel converter.     Pelluvar.    v.0.1. 2006-006-26\r\nUsage: Vantrel xyz.chi\r\n\r\n";

struct Row {
  std::vector<std::string> args;
  std::vector<std::pair<std::string, std::string>> files;  // put in place before the run
  std::string stdoutText;                                  // exactly; "*" for anything
  std::string stderrPattern;                               // a regular expression for all of it
  std::vector<std::pair<std::string, std::string>> out;    // files after the run ("" : absent)
  int status;
};

testing::ChildResult run(const testing::TempDir& work, const std::vector<std::string>& args, std::string& err,
                         std::vector<std::string> argv = {VANTREL_EXE}) {
  testing::TempDir streams;
  testing::ChildOptions options;
  options.workingDir = work.path();
  options.errorFile = streams.file("stderr");
  argv.insert(argv.end(), args.begin(), args.end());
  testing::ChildResult result = testing::runChild(argv, options);
  err = testing::readFile(options.errorFile);
  return result;
}

TEST(CommandLine, Runs) {
  const std::string lf = "\\+\nab\n";
  const std::vector<Row> runs = {
      {{"--version"}, {}, "vantrel " VANTREL_VERSION "\n", "", {}, 0},
      {{"-V"}, {}, "vantrel " VANTREL_VERSION "\n", "", {}, 0},
      {{"--help"}, {}, "*", "", {{"--help.htm", ""}}, 0},
      {{"-h", "doc.chi"}, {{"doc.chi", doc}}, "*", "", {{"doc.htm", ""}}, 0},
      {{"--frob", "doc.chi"},
       {{"doc.chi", doc}},
       "",
       "vantrel: unknown option '--frob'; try 'vantrel --help'\n",
       {{"doc.htm", ""}},
       2},
      {{"-x"}, {}, "", "vantrel: unknown option '-x'; try 'vantrel --help'\n", {}, 2},
      {{"doc.chi", "-o"}, {{"doc.chi", doc}}, "", "vantrel: option '-o' needs a value; .*\n", {{"doc.htm", ""}}, 2},
      {{"--quiet=1"}, {}, "", "vantrel: option '--quiet' takes no value; .*\n", {}, 2},
      {{"-o", "", "doc.chi"},
       {{"doc.chi", doc}},
       "",
       "vantrel: option '-o' needs a file name, .*\n",
       {{"doc.htm", ""}},
       2},
      {{"--output=", "doc.chi"}, {{"doc.chi", doc}}, "", "vantrel: option '--output' needs a file name.*\n", {}, 2},
      {{"--map=", "doc.chi"}, {{"doc.chi", doc}}, "", "vantrel: option '--map' needs a file name.*\n", {}, 2},
      {{"-j", "0", "doc.chi"}, {{"doc.chi", doc}}, "", "vantrel: invalid number of jobs '0' .*\n", {}, 2},
      {{"-o", "x.htm", "a.chi", "b.chi"}, {}, "", "vantrel: --output names .* single document.*\n", {}, 2},
      {{"-", "-"}, {}, "", "vantrel: standard input .*\n", {}, 2},
      // -o in its three spellings, and -q
      {{"-o", "page.html", "doc.chi"},
       {{"doc.chi", doc}},
       banner + "Conversion: doc.chi ---> page.html\r\n\r\n.\r\nfinish\r\n",
       "",
       {{"page.html", html}, {"doc.htm", ""}},
       0},
      {{"--output=page.html", "-q", "doc.chi"}, {{"doc.chi", doc}}, "", "", {{"page.html", html}}, 0},
      {{"-qopage.html", "doc.chi"}, {{"doc.chi", doc}}, "", "", {{"page.html", html}}, 0},
      // a document whose name begins with "-"
      {{"-q", "--", "-d.chi"}, {{"-d.chi", doc}}, "", "", {{"-d.htm", html}}, 0},
      {{"-q", "./-d.chi"}, {{"-d.chi", doc}}, "", "", {{"-d.htm", html}}, 0},
      // another map file; one that must exist
      {{"--map", "m/map.txt", "-q", "doc.chi"},
       {{"m/map.txt", "HTML header:\r\n<h>\r\n\r\n"}, {"doc.chi", doc}},
       "",
       "",
       {{"doc.htm", "<h>\n" + html}},
       0},
      {{"-m", "none.txt", "doc.chi"},
       {{"doc.chi", doc}},
       banner + "Conversion: doc.chi ---> doc.htm\r\n\r\n"
                "Exception EInOutError in module vantrel at XXXXXXXX.\nFile not found.\r\n",
       "vantrel: none.txt: cannot read the map file: No such file or directory\n",
       {{"doc.htm", ""}},
       1},
      // a failure is named on standard error too, with a hint where one helps
      {{"-q", "dir"},
       {{"dir/doc.chi", doc}},
       "Exception EInOutError in module vantrel at XXXXXXXX.\nFile access denied.\r\n",
       "vantrel: dir: cannot read the document: Is a directory \\(-r converts the documents below it\\)\n",
       {{"dir.htm", ""}},
       1},
      {{"-o", "x.htm", "-d", "out", "doc.chi"}, {}, "", "vantrel: --output and --output-dir cannot .*\n", {}, 2},
      {{"-m", "m.txt", "-M", "doc.chi"}, {}, "", "vantrel: --map and --map-beside cannot .*\n", {}, 2},
      {{"--stylesheet=", "doc.chi"}, {}, "", "vantrel: option '--stylesheet' needs a URL, .*\n", {}, 2},
      {{"-r", "-o", "x.htm", "d"}, {{"d/a.chi", doc}, {"d/b.chi", doc}}, "", "vantrel: --output names .*\n", {}, 2},
      // warnings leave the console, the files and the status alone
      {{"lf.chi"},
       {{"lf.chi", lf}},
       banner + "Conversion: lf.chi ---> lf.htm\r\n\r\n.\r\nfinish\r\n",
       "vantrel: lf.chi:1: warning: line ends in LF alone;.*\n",
       {},
       0},
      {{"-q", "doc.chi"},
       {{"doc.chi", "\\1 no group\r\n"}},
       "",
       "vantrel: doc.chi: warning: no row group: .*\n",
       {},
       0},
      {{"-q", "doc.chi"},
       {{"doc.chi", doc}, {"runemap.txt", ""}},
       "",
       "vantrel: runemap.txt: warning: not used: the map file must be named Runemap.txt .*\n",
       {},
       0},
      {{"-q", "doc.chi"},
       {{"doc.chi", doc}, {"Runemap.txt", "Fn2:1\r\nFn30:1\r\nwhat\r\n999\r\n\xEF\xBB\xBF/\r\nx\n"}},
       "",
       "vantrel: Runemap.txt:2: warning: line passed over: font line out of range .*\n"
       "vantrel: Runemap.txt:3: warning: line passed over: is no comment, .*\n"
       "vantrel: Runemap.txt:4: warning: line passed over: code above 255\n"
       "vantrel: Runemap.txt:5: warning: line passed over: begins with a byte-order mark\n"
       "vantrel: Runemap.txt:6: warning: line ends in LF alone;.*\n"
       "vantrel: Runemap.txt:6: warning: line passed over: is no comment, .*\n",
       {},
       0},
      // --check writes nothing and tells whether it found anything
      {{"--check", "doc.chi"}, {{"doc.chi", doc}}, "", "", {{"doc.htm", ""}}, 0},
      {{"--check", "doc.chi", "gone.chi"},
       {{"doc.chi", "x\r\n\\+\\q\r\n\x81\r\n\\-\\4\x82\r\n"}},
       "",
       "vantrel: doc.chi:1: warning: text outside any row group is passed over \\(1 line\\).*\n"
       "vantrel: doc.chi:2: warning: unknown escape code \\\\q is dropped \\(1 unknown escape in all\\)\n"
       "vantrel: doc.chi:3: warning: code 129 in font 1 has no printable text in its code page 0 \\(2 such .*\n"
       "vantrel: gone.chi: cannot read the document: No such file or directory\n",
       {{"doc.htm", ""}},
       1},
      {{"--check", "doc.chi"},
       {{"doc.chi", "\\+\r\nplain\r\n\\+\r\na<b & c\r\n\\+ &\r\nx\r\n"}},
       "",
       "vantrel: doc.chi:4: warning: 2 rows yield raw mark-up \\(\"<\" or \"&\"\\), .* --escape .*\n",
       {{"doc.htm", ""}},
       1},
  };
  for (const Row& r : runs) {
    std::string name;
    for (const std::string& arg : r.args) name.append(arg).append(" ");
    testing::TempDir work;
    for (const auto& [file, bytes] : r.files) {
      if (file.find('/') != std::string::npos) mkdir(work.file(file.substr(0, file.find('/'))).c_str(), 0755);
      testing::writeFile(work.file(file), bytes);
    }
    std::string err;
    testing::ChildResult result = run(work, r.args, err);
    EXPECT_EQ(result.exitStatus, r.status) << name;
    if (r.stdoutText == "*") {
      EXPECT_NE(result.output.find("Usage: vantrel [OPTION]"), std::string::npos) << name;
    } else {
      EXPECT_EQ(testing::maskFaultAddresses(result.output), r.stdoutText) << name;
    }
    EXPECT_TRUE(std::regex_match(err, std::regex(r.stderrPattern))) << name << ": " << err;
    for (const auto& [file, bytes] : r.out) {
      EXPECT_EQ(testing::fileExists(work.file(file)) ? testing::readFile(work.file(file)) : "", bytes) << name;
    }
  }
}

TEST(CommandLine, NamesOnATerminalShowNoControlCharacters) {
  testing::TempDir work;
  const std::string name = "a\x1b[2J\xC2\x9B";
  testing::writeFile(work.file(name + ".chi"), doc);
  testing::ChildOptions options;
  options.workingDir = work.path();
  for (testing::ChildOutput output : {testing::ChildOutput::terminal, testing::ChildOutput::capture}) {
    options.output = output;
    const std::string shown = output == testing::ChildOutput::terminal ? "a?[2J?" : name;
    EXPECT_NE(testing::runChild({VANTREL_EXE, name + ".chi"}, options).output.find(shown + ".chi ---> " + shown),
              std::string::npos);
  }
}

// Runs a shell command line in `work`, with $V the program.
testing::ChildResult shell(const testing::TempDir& work, const std::string& command, std::string& err) {
  return run(work, {}, err, {"/bin/sh", "-c", "V=" VANTREL_EXE "; " + command});
}

// Under --output-dir a name keeps its path while that stays below the
// folder, and its file name alone where it would leave it.
TEST(CommandLine, OutputFolderKeepsThePathsThatStayBelowIt) {
  testing::TempDir work;
  for (const char* folder : {"a", "a/b", "c"}) mkdir(work.file(folder).c_str(), 0755);
  for (const char* name : {"a/doc.chi", "a/b/doc.chi", "c/doc.chi"}) testing::writeFile(work.file(name), doc);
  std::string err;
  EXPECT_EQ(shell(work, "cd a && $V -q -d ../out ./b/../b/doc.chi ../c/doc.chi", err).exitStatus, 0) << err;
  EXPECT_EQ(shell(work, "$V -q -d out2 \"$PWD/a/doc.chi\" a/b/doc.chi", err).exitStatus, 0) << err;
  EXPECT_EQ(testing::readFile(work.file("out/b/doc.htm")), html);
  EXPECT_EQ(testing::readFile(work.file("out/doc.htm")), html);
  EXPECT_EQ(testing::readFile(work.file("out2/doc.htm")), html);
  EXPECT_EQ(testing::readFile(work.file("out2/a/b/doc.htm")), html);
  // Two documents that would share an output: nothing is converted.
  EXPECT_EQ(shell(work, "$V -q -d out3 \"$PWD/a/doc.chi\" c/../c/../../$(basename $PWD)/c/doc.chi", err).exitStatus, 2);
  EXPECT_NE(err.find("would both be written to out3/doc.htm"), std::string::npos) << err;
  EXPECT_FALSE(testing::fileExists(work.file("out3")));
}

TEST(CommandLine, WritersSharingStandardOutputKeepEachOthersText) {
  testing::TempDir work;
  const std::string other = "\\+\r\nlonger text\r\n";
  testing::writeFile(work.file("a.chi"), doc);
  testing::writeFile(work.file("b.chi"), other);
  std::string err;
  shell(work, "{ echo head; $V -q -o - a.chi & $V -q -o - b.chi & wait; echo tail; } > all.htm", err);
  const std::string all = testing::readFile(work.file("all.htm"));
  const std::string otherHtml = "\n<p>\n\n<span class=\"Fn1\">longer text</span>\n\n</p>\n</body></html>";
  EXPECT_TRUE(all == "head\n" + html + otherHtml + "tail\n" || all == "head\n" + otherHtml + html + "tail\n") << all;
}

TEST(CommandLine, SmallTemporaryFolderFallsBackToMemoryThenSaysSo) {
  if (!testing::runningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root rights";
  testing::TempDir work;
  ASSERT_EQ(mkdir(work.file("tmp").c_str(), 0777), 0);
  if (mount("tmpfs", work.file("tmp").c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "no tmpfs here";
  // Font switches: 26 bytes out for 3 in. 16 MB of text spills past a 1 MiB
  // spool into memory; 109 MB fits neither.
  std::string row = "\\+\r\n";
  for (int i = 0; i < 20000; ++i) row += "\\2a\\3b";
  row += "\r\n";
  std::string text, huge;
  for (int i = 0; i < 15; ++i) text += row;
  for (int i = 0; i < 7; ++i) huge += text;
  testing::writeFile(work.file("doc.chi"), text);
  testing::writeFile(work.file("huge.chi"), huge);
  std::string err;
  EXPECT_EQ(shell(work, "$V -q doc.chi && TMPDIR=tmp $V -q -o - doc.chi | cmp - doc.htm", err).exitStatus, 0);
  EXPECT_EQ(shell(work, "TMPDIR=none $V -q -o - huge.chi | wc -c", err).output, "0\n");
  EXPECT_NE(err.find(": temporary folder none: No such file or directory\n"), std::string::npos) << err;
  umount(work.file("tmp").c_str());
}

// Random documents of row groups with escapes and high bytes.
std::string randomDocument(std::mt19937& random) {
  const std::string pieces[] = {"a", "b", " ", "\\2", "\\,", "\\A", "\xE9", "\f", "\\\\", "xyz "};
  std::string text;
  for (int group = static_cast<int>(random() % 200); group > 0; --group) {
    text += "\\+";
    for (int i = static_cast<int>(random() % 4); i > 0; --i) text += pieces[random() % 10];
    text += "\r\n";
    for (int i = static_cast<int>(random() % 40); i > 0; --i) text += pieces[random() % 10];
    text += random() % 3 == 0 ? "\r\n\\-1\r\n" : "\r\n";
  }
  return text;
}

TEST(CommandLine, FourThreadsWriteWhatOneWrites) {
  std::mt19937 random(13);
  testing::TempDir one, four;
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back(std::to_string(i));
    names.back().append(".chi");
    std::string text = randomDocument(random);
    testing::writeFile(one.file(names.back()), text);
    testing::writeFile(four.file(names.back()), text);
  }
  std::vector<std::string> args = names;
  std::string err;
  testing::ChildResult serial = run(one, args, err);
  args.insert(args.begin(), {"-j", "4"});
  testing::ChildResult parallel = run(four, args, err);
  EXPECT_EQ(serial.exitStatus, 0);
  EXPECT_EQ(parallel.exitStatus, 0);
  EXPECT_EQ(parallel.output, serial.output);
  EXPECT_EQ(testing::listFolder(four.path()), testing::listFolder(one.path()));
  for (const std::string& name : testing::listFolder(one.path())) {
    EXPECT_EQ(testing::readFile(four.file(name)), testing::readFile(one.file(name))) << name;
  }
}

}  // namespace
}  // namespace vantrel
