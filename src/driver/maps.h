#pragma once
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/jobs.h"
#include "driver/options.h"
#include "vantrel/vantrel.h"

namespace vantrel {

// A map file, read once for all the documents that use it (by whichever
// conversion needs it first); a fault in reading it is the fault of each of
// them, named once.
class SharedMap {
 public:
  // `mustExist`: a file that is absent is a fault, not the defaults.
  SharedMap(std::string name, bool mustExist) : name_(std::move(name)), mustExist_(mustExist) {}

  const MapFile& get();

  // Whether the map is the defaults, no map file being there (once get()
  // has returned).
  bool isDefaults();

  // The lines about the map file (its warnings, and the line that names its
  // fault), once: the first call after it was read takes them.
  std::vector<std::string> takeLines();

  // Where no map file was found in the current folder: a warning when the
  // document's own folder holds one, which is not used.
  std::vector<std::string> besideWarnings(const std::string& input);

 private:
  void load();

  const std::string name_;
  const bool mustExist_;
  std::mutex mutex_;
  bool loaded_ = false;
  bool found_ = false;
  MapFile map_;
  std::exception_ptr fault_;
  std::vector<std::string> lines_;
};

// The map files of a run: the one of the current folder or of --map, or
// with --map-beside the one of each document's folder.
class MapFiles {
 public:
  explicit MapFiles(const Options& options);
  SharedMap& of(const Job& job);

 private:
  std::mutex mutex_;
  SharedMap common_;
  std::map<std::string, std::unique_ptr<SharedMap>> beside_;
};

}  // namespace vantrel
