#include "driver/jobs.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>

#include "charmap/map_file.h"
#include "support/faults/faults.h"
#include "support/files/file_name.h"
#include "support/output/output_target.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

// A page's title: the document's name without its folder.
std::string titleOf(const std::string& input) {
  size_t slash = input.find_last_of("/\\:");
  return slash == std::string::npos ? input : input.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + "/" + name;
}

// The path a name keeps under the output folder: the name in its lexically
// normal form while that stays below the folder; a name that would leave it
// (an absolute name, or one that climbs out with "..") keeps its last name
// alone. "" for a name that keeps nothing ("/", ".", "..").
fs::path keptPath(const std::string& named) {
  const fs::path normal = fs::path(named).lexically_normal();
  const bool leaves = normal.has_root_path() || (!normal.empty() && *normal.begin() == "..");
  const fs::path kept = leaves ? normal.filename() : normal;
  return kept == "." || kept == ".." ? fs::path() : kept;
}

// A document found below a folder argument of -r.
struct Found {
  std::string input;     // as it is read: the folder argument, then the names below it
  std::string below;     // the names below the folder argument ("" for a document named itself)
  std::string argument;  // the argument that named it
};

bool isFolder(const std::string& name) {
  std::error_code error;
  return fs::is_directory(name, error);
}

// Adds the .chi documents below the folder `input` (`below` the folder
// argument), in the order of their names, each folder's entries in turn; no
// symbolic link is followed. A folder that cannot be read is named in the
// list's lines.
void addDocumentsBelow(const std::string& input, const std::string& below, const std::string& argument,
                       std::vector<Found>& found, JobList& list) {
  std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
  std::error_code error;
  try {
    for (fs::directory_iterator it(input, error), end; !error && it != end; it.increment(error)) {
      const fs::file_status status = it->symlink_status(error);
      if (error) break;
      const std::string name = it->path().filename().string();
      if (fs::is_directory(status)) {
        entries.emplace_back(name, true);
      } else if (fs::is_regular_file(status) && name.size() > 4 && name.ends_with(".chi")) {
        entries.emplace_back(name, false);
      }
    }
  } catch (const std::exception&) {
    // A name the system cannot give as a narrow text.
    error = std::make_error_code(std::errc::illegal_byte_sequence);
  }
  if (error) {
    list.lines.push_back("vantrel: " + input + ": cannot read the folder: " + error.message() + "\n");
    list.failed = true;
  }
  std::sort(entries.begin(), entries.end());
  for (const auto& [name, folder] : entries) {
    const std::string path = joined(input, name);
    const std::string under = below.empty() ? name : below + "/" + name;
    if (folder) {
      addDocumentsBelow(path, under, argument, found, list);
    } else {
      found.push_back({path, under, argument});
    }
  }
}

std::vector<Found> documentsOf(const Options& options, JobList& list) {
  std::vector<Found> found;
  if (options.documents.empty()) return {{defaultInputName, "", ""}};
  for (const std::string& document : options.documents) {
    if (options.recursive && document != "-" && isFolder(document)) {
      const size_t before = found.size(), linesBefore = list.lines.size();
      addDocumentsBelow(document, "", document, found, list);
      if (found.size() == before && list.lines.size() == linesBefore) {
        list.lines.push_back("vantrel: " + document + ": warning: no .chi document below it\n");
      }
    } else {
      found.push_back({document, "", document});
    }
  }
  return found;
}

// Whether two names are one document.
bool sameDocument(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::path(a).lexically_normal() == fs::path(b).lexically_normal() || fs::equivalent(a, b, error);
}

// Where the HTML of a document goes: -o, standard output for "-", under the
// output folder (-d), or beside the document.
std::string outputOf(const Options& options, const Found& document) {
  if (!options.output.empty()) return options.output;
  if (document.input == "-") return "-";
  if (options.outputDir.empty()) return changeExt(document.input, ".htm");
  fs::path kept = document.below.empty() ? keptPath(document.input) : keptPath(document.argument) / document.below;
  return changeExt((fs::path(options.outputDir) / kept).lexically_normal().generic_string(), ".htm");
}

}  // namespace

JobList listJobs(const Options& options) {
  JobList list;
  std::map<std::string, std::string> writers;  // under -d: each output's document
  for (const Found& document : documentsOf(options, list)) {
    Job job;
    job.input = document.input;
    job.named = !options.documents.empty();
    job.output = outputOf(options, document);
    job.toStdout = job.output == "-";
    if (options.mapBeside) job.mapFile = folderPart(job.input == "-" ? "" : job.input) + mapFileName;
    if (!options.outputDir.empty() && !job.toStdout) {
      job.makeFolder = fs::path(job.output).parent_path().generic_string();
      auto [at, added] = writers.emplace(job.output, job.input);
      if (!added && !sameDocument(at->second, job.input) && list.usageError.empty()) {
        list.usageError = at->second + " and " + job.input + " would both be written to " + job.output;
      }
    }
    job.conversion.escapeMarkup = options.escape;
    // The file sinks and the console take their calls from any thread.
    job.conversion.callbacksOnAnyThread = true;
    job.conversion.standalone = options.standalone;
    job.conversion.stylesheet = options.stylesheet;
    job.conversion.title = titleOf(job.input);
    list.jobs.push_back(std::move(job));
  }
  if (list.jobs.size() > 1 && !options.output.empty() && list.usageError.empty()) {
    list.usageError =
        "--output names the output of a single document, and " + std::to_string(list.jobs.size()) + " were found";
  }
  return list;
}

void OutputFolders::make(const std::string& folder) {
  if (folder.empty()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (made_.count(folder) != 0) return;
  std::string failedAt;
  if (IoCode code = makeFolders(folder, failedAt)) raiseFileError(code, failedAt, "cannot make the folder");
  made_.insert(folder);
}

}  // namespace vantrel
