#include "driver/maps.h"

#include <cctype>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "charmap/map_file.h"
#include "check/map_check.h"
#include "driver/messages.h"
#include "support/faults/faults.h"
#include "support/files/file_io.h"
#include "support/files/file_name.h"

namespace vantrel {

namespace {

bool isRegularFile(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_regular_file(name, error);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

const MapFile& SharedMap::get() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loaded_) {
    loaded_ = true;
    runCatchingFaults([this] { load(); },
                      [this](const Exception& fault) {
                        fault_ = std::current_exception();
                        lines_.push_back(failureLine(fault, name_));
                      });
  }
  if (fault_) std::rethrow_exception(fault_);
  return map_;
}

bool SharedMap::isDefaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  return loaded_ && !fault_ && !found_;
}

std::vector<std::string> SharedMap::takeLines() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::move(lines_);
}

std::vector<std::string> SharedMap::besideWarnings(const std::string& input) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!loaded_ || fault_ || found_ || mustExist_ || name_ != mapFileName) return {};
  }
  const std::string folder = folderPart(input);
  if (folder.empty()) return {};
  std::string beside = folder + mapFileName;
  if (!isRegularFile(beside)) return {};
  return {findingLine(input, {0, "the map file beside the document, " + beside +
                                     ", is not used: the map file is read from the current folder "
                                     "(use --map " +
                                     beside + ")"})};
}

void SharedMap::load() {
  // Read once: the map and the checks of its lines come from the same text.
  TextBlock text;
  IoCode code = readWholeFile(name_, text);
  found_ = code != fileNotFound;
  map_ = defaultMapFile();
  if (code == fileTooLarge) {
    static_assert(largestWholeFile == maxMapFileSize, "the program reads map files as the library does");
    raiseInOutError(code, name_,
                    "cannot read the map file: larger than " + std::to_string(maxMapFileSize >> 20) + " MiB");
  }
  if (!found_ && mustExist_) raiseFileError(code, name_, "cannot read the map file");
  if (found_) {
    if (code != 0) raiseFileError(code, name_, "cannot read the map file");
    std::string_view lines(text.bytes.get(), text.size);
    map_ = readMapText(lines, name_);
    addFindings(lines_, name_, checkMapText(lines));
    return;
  }
  // A map file named in another letter case is not found by that name.
  const std::string folder = folderPart(name_);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    std::string other = entry.path().filename().string();
    if (other == mapFileName || !sameIgnoringCase(other, mapFileName)) continue;
    lines_.push_back(
        findingLine(folder + other, {0, std::string("not used: the map file must be named ") + mapFileName +
                                            " (rename it, or use --map " + folder + other + ")"}));
  }
}

MapFiles::MapFiles(const Options& options)
    : common_(options.mapFile.empty() ? mapFileName : options.mapFile, !options.mapFile.empty()) {}

SharedMap& MapFiles::of(const Job& job) {
  if (job.mapFile.empty()) return common_;
  std::lock_guard<std::mutex> lock(mutex_);
  std::unique_ptr<SharedMap>& map = beside_[job.mapFile];
  if (!map) map = std::make_unique<SharedMap>(job.mapFile, false);
  return *map;
}

}  // namespace vantrel
