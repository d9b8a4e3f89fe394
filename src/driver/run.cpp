#include "driver/run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "charmap/map_file.h"
#include "check/document_check.h"
#include "check/map_check.h"
#include "driver/options.h"
#include "kernels/kernel.h"
#include "support/console/console.h"
#include "support/console/console_device.h"
#include "support/console/terminal_text.h"
#include "support/faults/fault_report.h"
#include "support/files/file_io.h"
#include "support/files/file_name.h"
#include "support/output/output_file.h"
#include "support/program/command_line.h"
#include "support/program/program.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

constexpr IoCode fileNotFound = 2;

// One document to convert, and where its HTML goes.
struct Job {
  std::string input;
  std::string output;
  bool toStdout = false;
  ConversionOptions conversion;
};

// A page's title: the document's name without its folder.
std::string titleOf(const std::string& input) {
  size_t slash = input.find_last_of("/\\:");
  return slash == std::string::npos ? input : input.substr(slash + 1);
}

std::vector<Job> jobsOf(const Options& options) {
  std::vector<std::string> documents = options.documents;
  if (documents.empty()) documents.emplace_back();
  std::vector<Job> jobs;
  for (std::string& input : documents) {
    Job job;
    job.input = input.empty() ? defaultInputName : input;
    job.output = !options.output.empty() ? options.output : job.input == "-" ? "-" : changeExt(job.input, ".htm");
    job.toStdout = job.output == "-";
    job.conversion.escapeMarkup = options.escape;
    // The file sinks and the console take their calls from any thread.
    job.conversion.callbacksOnAnyThread = true;
    job.conversion.standalone = options.standalone;
    job.conversion.title = titleOf(job.input);
    jobs.push_back(std::move(job));
  }
  return jobs;
}

// Writes a line to standard error; on a terminal its control characters
// are shown as "?" (the line end stays).
void printLine(std::string_view line) {
  std::string shown(line);
  if (isTerminal(2)) {
    bool ended = line.ends_with('\n');
    shown = terminalSafe(line.substr(0, line.size() - (ended ? 1 : 0)));
    if (ended) shown.push_back('\n');
  }
  std::fwrite(shown.data(), 1, shown.size(), stderr);
}

// Warnings go to standard error, each on a line of its own. When the console
// text goes there too, what it holds is passed on first.
void printLines(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  if (consoleOut.target == 2) closeConsole();
  for (const std::string& line : lines) printLine(line);
  std::fflush(stderr);
}

std::string findingLine(const std::string& file, const Finding& finding, const char* kind = "warning") {
  std::string line = "vantrel: ";
  line.append(file);
  if (finding.line > 0) line.append(":").append(std::to_string(finding.line));
  line.append(": ").append(kind).append(": ").append(finding.message).append("\n");
  return line;
}

void addFindings(std::vector<std::string>& lines, const std::string& file, const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) lines.push_back(findingLine(file, finding));
}

bool isRegularFile(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_regular_file(name, error);
}

// The map file, read once for all documents (by whichever conversion needs
// it first); a fault in reading it is the fault of every document.
class SharedMap {
 public:
  explicit SharedMap(const Options& options) : options_(options) {}

  const MapFile& get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!loaded_) {
      loaded_ = true;
      try {
        load();
      } catch (...) {
        fault_ = std::current_exception();
      }
    }
    if (fault_) std::rethrow_exception(fault_);
    return map_;
  }

  // Warnings about the map file, once: the first call after it was read
  // takes them.
  std::vector<std::string> takeWarnings() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(warnings_);
  }

  // Where no map file was found: a warning when the document's own folder
  // holds one, which is not used.
  std::vector<std::string> besideWarnings(const std::string& input) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!loaded_ || fault_ || found_ || !options_.mapFile.empty()) return {};
    }
    size_t slash = input.find_last_of("/\\");
    if (slash == std::string::npos) return {};
    std::string beside = input.substr(0, slash + 1) + mapFileName;
    if (!isRegularFile(beside)) return {};
    return {findingLine(input, {0, "the map file beside the document, " + beside +
                                       ", is not used: the map file is read from the current folder "
                                       "(use --map " +
                                       beside + ")"})};
  }

 private:
  void load() {
    const std::string name = options_.mapFile.empty() ? mapFileName : options_.mapFile;
    // Read once: the map and the checks of its lines come from the same text.
    TextBlock text;
    IoCode code = readWholeFile(name, text);
    found_ = code != fileNotFound;
    map_ = defaultMapFile();
    if (code == fileTooLarge) {
      static_assert(largestWholeFile == maxMapFileSize, "the program reads map files as the library does");
      const std::string most = std::to_string(maxMapFileSize >> 20) + " MiB";
      warnings_.push_back(findingLine(name, {0, "larger than " + most + ", the most a map file may be"}, "error"));
    }
    if (!found_ && !options_.mapFile.empty()) raiseInOutError(fileNotFound);
    if (found_) {
      if (code != 0) raiseInOutError(code);
      std::string_view lines(text.bytes.get(), text.size);
      map_ = readMapText(lines);
      addFindings(warnings_, name, checkMapText(lines));
      return;
    }
    // A map file named in another letter case is not found by that name.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
      std::string other = entry.path().filename().string();
      if (other.size() != std::string_view(mapFileName).size() || other == mapFileName) continue;
      bool same = true;
      for (size_t i = 0; i < other.size(); ++i) {
        same = same && std::tolower(static_cast<unsigned char>(other[i])) ==
                           std::tolower(static_cast<unsigned char>(mapFileName[i]));
      }
      if (same) {
        warnings_.push_back(findingLine(other, {0, std::string("not used: the map file must be named ") + mapFileName +
                                                       " (rename it, or use --map " + other + ")"}));
      }
    }
  }

  const Options& options_;
  std::mutex mutex_;
  bool loaded_ = false;
  bool found_ = false;
  MapFile map_;
  std::exception_ptr fault_;
  std::vector<std::string> warnings_;
};

// The console text of one document: straight through the console channel,
// or kept in `buffer` to be shown later, in the order of the documents.
struct DocumentConsole {
  std::string* buffer = nullptr;
  bool quiet = false;
  bool terminal = false;  // the console is a terminal: names are shown safe

  void name(std::string_view name) const { text(terminal ? terminalSafe(name) : std::string(name)); }

  void text(std::string_view text) const {
    if (quiet) return;
    if (buffer != nullptr) {
      buffer->append(text);
    } else {
      writeText(text);
    }
  }
  void line() const {
    if (quiet) return;
    if (buffer != nullptr) {
      buffer->append("\r\n");
    } else {
      writeLine();
    }
  }
  // A console write that failed ends the job here. A file's console text
  // collects in large blocks: the whole blocks of 128 bytes are passed on
  // first, so that a failure is found where it would have been by now.
  void check() const {
    if (buffer != nullptr) return;
    passOnWholeBlocks();
    checkIo();
  }
  void report(const Exception& fault) const {
    if (buffer == nullptr) {
      reportFault(fault);
      return;
    }
    char text[512];
    buffer->append(text, formatFaultReport(fault, moduleName(), text, sizeof text));
    buffer->append("\r\n");
  }
};

// Runs one document's part; a fault is reported in its console text.
// Returns whether it ended without one.
template <class Body>
bool runDocument(const DocumentConsole& console, Body body) {
  try {
    body();
    return true;
  } catch (const Exception& fault) {
    console.report(fault);
  } catch (const std::bad_alloc&) {
    console.report(outOfMemoryFault());
  } catch (const std::length_error&) {
    console.report(outOfMemoryFault());
  }
  return false;
}

// Converts one document: conversion line, load, convert, save, "finish".
// Adds the warnings about it to `lines`, and where standard output or the
// temporary folder failed the output, a line that says so.
void convertJob(const Job& job, SharedMap& map, const DocumentConsole& console, std::vector<std::string>& lines) {
  console.text("Conversion: ");
  console.name(job.input);
  console.text(" ---> ");
  console.name(job.output);
  console.text("\r\n");
  console.line();
  console.check();

  FileSource document(job.input);
  // The output is written while the conversion goes on, to a new file that
  // replaces the old one only when the text is complete. An output that is
  // the document itself is refused before anything is converted.
  std::unique_ptr<HtmlSink> output;
  const std::string* failureNote = nullptr;
  if (job.toStdout) {
    auto stream = std::make_unique<StreamSink>(1, &document);
    failureNote = &stream->failureNote();
    output = std::move(stream);
  } else {
    auto file = std::make_unique<FileSink>(job.output, &document);
    failureNote = &file->failureNote();
    output = std::move(file);
  }
  const MapFile& mapFile = map.get();
  std::function<void()> drawDot;
  if (console.quiet) {
    // no progress
  } else if (console.buffer != nullptr) {
    drawDot = [&console] { console.buffer->push_back('.'); };
  } else {
    // One dot per row group, shown at once on a terminal.
    drawDot = [] {
      writeChar('.');
      flushOutput();
      checkIo();
    };
  }
  // The warnings come from what the conversion saw: no second scan.
  ConversionReport report = convertDocument(document, mapFile, *output, drawDot, job.conversion);
  console.line();
  console.check();
  try {
    output->finish();
  } catch (const Exception& fault) {
    // Standard output, or the temporary folder, is named where it failed.
    if (job.toStdout || !failureNote->empty()) lines.push_back("vantrel: " + std::string(fault.what()) + "\n");
    throw;
  }

  console.text("finish");
  console.line();
  console.check();

  addFindings(lines, job.input, shapeFindings(report));
  for (std::string& line : map.besideWarnings(job.input)) lines.push_back(std::move(line));
}

// What one document's run left to show, for a run on several threads.
struct Outcome {
  std::string console;
  std::vector<std::string> warnings;
  bool converted = false;
  bool done = false;
};

// Converts the documents on up to `threads` threads; their console text and
// warnings are shown in the order of the documents as each is complete.
bool convertInParallel(const std::vector<Job>& jobs, SharedMap& map, bool quiet, int threads) {
  std::vector<Outcome> outcomes(jobs.size());
  std::mutex mutex;
  std::condition_variable completed;
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next++; i < jobs.size(); i = next++) {
      Outcome outcome;
      DocumentConsole console{&outcome.console, quiet, isTerminal(consoleOut.target)};
      outcome.converted = runDocument(console, [&] { convertJob(jobs[i], map, console, outcome.warnings); });
      std::lock_guard<std::mutex> lock(mutex);
      outcomes[i] = std::move(outcome);
      outcomes[i].done = true;
      completed.notify_all();
    }
  };
  std::vector<std::jthread> workers;
  for (int t = 0; t < threads && static_cast<size_t>(t) < jobs.size(); ++t) workers.emplace_back(work);

  bool allConverted = true;
  for (Outcome& outcome : outcomes) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      completed.wait(lock, [&outcome] { return outcome.done; });
    }
    writeText(outcome.console);
    flushOutput();
    checkIo();
    printLines(map.takeWarnings());
    printLines(outcome.warnings);
    allConverted = allConverted && outcome.converted;
  }
  return allConverted;
}

bool convertAll(const Options& options) {
  std::vector<Job> jobs = jobsOf(options);
  SharedMap map(options);
  if (!options.quiet) {
    writeText(banner);
    writeLine();
    checkIo();
  }
  if (options.jobs > 1 && jobs.size() > 1) {
    // The documents share the cores: each is converted on one thread.
    for (Job& job : jobs) job.conversion.threads = 1;
    return convertInParallel(jobs, map, options.quiet, options.jobs);
  }
  bool allConverted = true;
  for (const Job& job : jobs) {
    DocumentConsole console{nullptr, options.quiet, isTerminal(consoleOut.target)};
    std::vector<std::string> warnings;
    allConverted = runDocument(console, [&] { convertJob(job, map, console, warnings); }) && allConverted;
    printLines(map.takeWarnings());
    printLines(warnings);
  }
  return allConverted;
}

// --check: reads the documents and the map file, tells what it finds on
// standard error, writes nothing. Returns whether anything was told.
bool checkAll(const Options& options) {
  std::vector<Job> jobs = jobsOf(options);
  SharedMap map(options);
  std::vector<std::string> lines;
  const MapFile* mapFile = nullptr;
  MapFile defaults = defaultMapFile();
  try {
    mapFile = &map.get();
  } catch (const Exception& fault) {
    lines.push_back(
        findingLine(options.mapFile.empty() ? mapFileName : options.mapFile, {0, fault.message()}, "error"));
    mapFile = &defaults;
  }
  for (std::string& line : map.takeWarnings()) lines.push_back(std::move(line));
  for (const Job& job : jobs) {
    try {
      FileSource document(job.input);
      DocumentCheck check(mapFile->map);
      std::vector<Finding> findings = check.finish(observeConversion(document, *mapFile, check));
      addFindings(lines, job.input, findings);
      for (std::string& line : map.besideWarnings(job.input)) lines.push_back(std::move(line));
    } catch (const Exception& fault) {
      lines.push_back(findingLine(job.input, {0, fault.message()}, "error"));
    }
  }
  printLines(lines);
  return !lines.empty();
}

}  // namespace

int runProgram() {
  if (std::string problem = kernelSettingProblem(); !problem.empty()) {
    std::fprintf(stderr, "vantrel: %s\n", problem.c_str());
    return 2;
  }
  Options options = parseOptions(commandLineArguments());
  if (!options.error.empty()) {
    printLine("vantrel: " + options.error + "; try 'vantrel --help'\n");
    return 2;
  }
  if (options.help) {
    writeText(usageText);
    return 0;
  }
  if (options.version) {
    writeText("vantrel " VANTREL_VERSION "\n");
    return 0;
  }
  if (options.check) return checkAll(options) ? 1 : 0;
  // When the HTML goes to standard output, the console text goes to standard
  // error; so it does for a name that is standard output (/dev/stdout).
  for (const Job& job : jobsOf(options)) {
    if (job.toStdout || (!options.output.empty() && descriptorNamed(job.output) == 1)) resetConsole(2);
  }
  bool allConverted = true;
  int status = runReported([&] { allConverted = convertAll(options); });
  return status != 0 || !allConverted ? 1 : 0;
}

}  // namespace vantrel
