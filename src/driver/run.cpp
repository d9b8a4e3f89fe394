#include "driver/run.h"

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

#include "check/control_codes.h"
#include "check/document_check.h"
#include "driver/jobs.h"
#include "driver/maps.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "kernels/kernel.h"
#include "support/console/console.h"
#include "support/console/console_device.h"
#include "support/console/terminal_text.h"
#include "support/faults/fault_report.h"
#include "support/output/output_file.h"
#include "support/program/command_line.h"
#include "support/program/program.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

bool isFolder(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_directory(name, error);
}

// What the documents of a run share: their map files and output folders.
struct RunContext {
  explicit RunContext(const Options& options) : maps(options), recursive(options.recursive) {}
  MapFiles maps;
  OutputFolders folders;
  bool recursive;
};

// The converter of one thread, for one map at a time: the map's pages are
// encoded once, and the buffers of a document serve the next.
class ThreadConverter {
 public:
  Converter& forMap(const MapFile& map) {
    if (map_ != &map || !converter_) {
      converter_ = std::make_unique<Converter>(map);
      map_ = &map;
    }
    return *converter_;
  }

 private:
  const MapFile* map_ = nullptr;
  std::unique_ptr<Converter> converter_;
};

// What one document's run leaves to show beside its console text.
struct DocumentResult {
  std::vector<std::string> lines;  // warnings, and the line that names a failure
  SharedMap* map = nullptr;        // the map file it used, whose own lines come first
  bool failureNamed = false;       // the failure is named elsewhere (the map file's, once)
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

// Names a failure on standard error, beside its report; a console that
// failed is named once, at the end of the run.
void nameFailure(const DocumentConsole& console, DocumentResult& result, const Exception& fault,
                 const std::string& input) {
  if (result.failureNamed || (console.buffer == nullptr && !consoleOut.failure.empty())) return;
  try {
    result.lines.push_back(failureLine(fault, input));
  } catch (const std::bad_alloc&) {
    // The report on the console says it.
  }
}

// Runs one document's part; a fault is reported in its console text and
// named in its lines. Returns whether it ended without one.
template <class Body>
bool runDocument(const DocumentConsole& console, DocumentResult& result, const std::string& input, Body body) {
  return runCatchingFaults(body, [&](const Exception& fault) {
    console.report(fault);
    nameFailure(console, result, fault, input);
  });
}

// The document's source. Where no document was named and x.chi is missing,
// the fault says what was meant; a folder named without -r, what takes it.
FileSource openDocument(const Job& job, bool recursive) {
  try {
    return FileSource(job.input);
  } catch (EInOutError& fault) {
    if (!job.named && fault.code() == fileNotFound) {
      fault.describe(job.input, 0, "No such file or directory (no document named; \"-\" reads standard input)");
    } else if (!recursive && job.input != "-" && isFolder(job.input)) {
      const std::string cause(fault.cause());
      fault.describe(job.input, 0, cause + " (-r converts the documents below it)");
    }
    throw;
  }
}

// Converts one document: conversion line, load, convert, save, "finish".
// Adds the warnings about it to the result.
void convertJob(const Job& job, RunContext& run, ThreadConverter& converter, const DocumentConsole& console,
                DocumentResult& result) {
  console.text("Conversion: ");
  console.name(job.input);
  console.text(" ---> ");
  console.name(job.output);
  console.text("\r\n");
  console.line();
  console.check();

  FileSource document = openDocument(job, run.recursive);
  run.folders.make(job.makeFolder);
  // The output is written while the conversion goes on, to a new file that
  // replaces the old one only when the text is complete. An output that is
  // the document itself is refused before anything is converted.
  std::unique_ptr<HtmlSink> output;
  if (job.toStdout) {
    output = std::make_unique<StreamSink>(1, &document);
  } else {
    output = std::make_unique<FileSink>(job.output, &document);
  }
  SharedMap& map = run.maps.of(job);
  result.map = &map;
  const MapFile* mapFile = nullptr;
  try {
    mapFile = &map.get();
  } catch (...) {
    result.failureNamed = true;  // with the map file's lines, once
    throw;
  }
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
  // Without a map file, the codes that become C1 control characters are
  // counted as the document is read.
  const bool countControls = map.isDefaults();
  ControlCodeCount counted(document);
  ByteSource& source = countControls ? static_cast<ByteSource&>(counted) : document;
  // The warnings come from what the conversion saw: no second scan.
  ConversionReport report = converter.forMap(*mapFile).convert(source, *output, drawDot, job.conversion);
  console.line();
  console.check();
  output->finish();

  console.text("finish");
  console.line();
  console.check();

  addFindings(result.lines, job.input, shapeFindings(report));
  if (countControls) addFindings(result.lines, job.input, controlCodeFindings(counted.count()));
  for (std::string& line : map.besideWarnings(job.input)) result.lines.push_back(std::move(line));
}

// How many documents were converted, and how many failed.
struct Tally {
  uint64_t converted = 0;
  uint64_t failed = 0;
  void add(bool converted) { ++(converted ? this->converted : failed); }
};

// Shows what a document's run left beside its console text: the lines of
// its map file (once), then its own.
void showLines(DocumentResult& result) {
  if (result.map != nullptr) printLines(result.map->takeLines());
  printLines(result.lines);
}

// What one document's run left to show, for a run on several threads.
struct Outcome {
  std::string console;
  DocumentResult result;
  bool converted = false;
  bool done = false;
};

// Converts the documents on up to `threads` threads, each with a converter
// of its own; their console text and lines are shown in the order of the
// documents as each is complete.
void convertInParallel(const std::vector<Job>& jobs, RunContext& run, bool quiet, int threads, Tally& tally) {
  std::vector<Outcome> outcomes(jobs.size());
  std::mutex mutex;
  std::condition_variable completed;
  std::atomic<size_t> next{0};
  auto work = [&] {
    ThreadConverter converter;
    for (size_t i = next++; i < jobs.size(); i = next++) {
      Outcome outcome;
      DocumentConsole console{&outcome.console, quiet, isTerminal(consoleOut.target)};
      outcome.converted = runDocument(console, outcome.result, jobs[i].input,
                                      [&] { convertJob(jobs[i], run, converter, console, outcome.result); });
      std::lock_guard<std::mutex> lock(mutex);
      outcomes[i] = std::move(outcome);
      outcomes[i].done = true;
      completed.notify_all();
    }
  };
  std::vector<std::jthread> workers;
  for (int t = 0; t < threads && static_cast<size_t>(t) < jobs.size(); ++t) workers.emplace_back(work);

  for (Outcome& outcome : outcomes) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      completed.wait(lock, [&outcome] { return outcome.done; });
    }
    writeText(outcome.console);
    flushOutput();
    checkIo();
    showLines(outcome.result);
    tally.add(outcome.converted);
  }
}

bool convertAll(const Options& options, std::vector<Job>& jobs) {
  RunContext run(options);
  if (!options.quiet) {
    writeText(banner);
    writeLine();
    checkIo();
  }
  Tally tally;
  if (options.jobs > 1 && jobs.size() > 1) {
    // The documents share the cores: each is converted on one thread.
    for (Job& job : jobs) job.conversion.threads = 1;
    convertInParallel(jobs, run, options.quiet, options.jobs, tally);
  } else {
    ThreadConverter converter;
    for (const Job& job : jobs) {
      DocumentConsole console{nullptr, options.quiet, isTerminal(consoleOut.target)};
      DocumentResult result;
      tally.add(runDocument(console, result, job.input, [&] { convertJob(job, run, converter, console, result); }));
      showLines(result);
    }
  }
  if (jobs.size() > 1 && !options.quiet) printLines({summaryLine(tally.converted, tally.failed)});
  return tally.failed == 0;
}

// --check: reads the documents and the map files, tells what it finds on
// standard error, writes nothing. Returns whether anything was told.
bool checkAll(const Options& options, const std::vector<Job>& jobs) {
  MapFiles maps(options);
  const MapFile defaults = defaultMapFile();
  std::vector<std::string> lines;
  for (const Job& job : jobs) {
    SharedMap& map = maps.of(job);
    const MapFile* mapFile = &defaults;
    try {
      mapFile = &map.get();
    } catch (const std::exception&) {
      // Named in the map file's lines; the document is checked with the defaults.
    }
    for (std::string& line : map.takeLines()) lines.push_back(std::move(line));
    try {
      FileSource document = openDocument(job, options.recursive);
      DocumentCheck check(mapFile->map);
      std::vector<Finding> findings = check.finish(observeConversion(document, *mapFile, check));
      addFindings(lines, job.input, findings);
      for (std::string& line : map.besideWarnings(job.input)) lines.push_back(std::move(line));
    } catch (const Exception& fault) {
      lines.push_back(failureLine(fault, job.input));
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
  JobList list = listJobs(options);
  if (!list.usageError.empty()) {
    printLine("vantrel: " + list.usageError + "; try 'vantrel --help'\n");
    return 2;
  }
  printLines(list.lines);
  if (options.check) return checkAll(options, list.jobs) || list.failed ? 1 : 0;
  // When the HTML goes to standard output, the console text goes to standard
  // error; so it does for a name that is standard output (/dev/stdout).
  for (const Job& job : list.jobs) {
    if (job.toStdout || (!options.output.empty() && descriptorNamed(job.output) == 1)) resetConsole(2);
  }
  if (list.jobs.empty()) return list.failed ? 1 : 0;
  bool allConverted = true;
  int status = runReported([&] { allConverted = convertAll(options, list.jobs); });
  return status != 0 || !allConverted || list.failed ? 1 : 0;
}

}  // namespace vantrel
