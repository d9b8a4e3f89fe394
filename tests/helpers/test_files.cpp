#include "helpers/test_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vantrel::testing {

namespace fs = std::filesystem;

// std::filesystem, so that the helpers serve the Windows build as well.
TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  fs::path folder = base != nullptr && *base != '\0' ? fs::path(base) : fs::temp_directory_path();
  static std::atomic<unsigned> counter{0};
  auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned mixed = seed * 2654435761u ^ (counter.fetch_add(1) + 1) * 40503u;
    fs::path candidate = folder / ("vantrel-test-" + std::to_string(mixed));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, error);
      path_ = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() { removeTree(path_); }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool fileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator entry(path, error), end; !error && entry != end; entry.increment(error)) {
    names.push_back(entry->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void removeTree(const std::string& path) {
  std::error_code error;
  fs::file_status status = fs::symlink_status(path, error);
  if (!fs::exists(status)) return;
  if (fs::is_directory(status)) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    for (const std::string& name : listFolder(path)) removeTree(path + "/" + name);
  }
  fs::remove(path, error);
}

}  // namespace vantrel::testing

namespace vantrel::testing {

std::string maskFaultAddresses(std::string text) {
  const std::string lead = " at ";
  for (size_t at = text.find(lead); at != std::string::npos; at = text.find(lead, at + 1)) {
    size_t digits = at + lead.size();
    if (digits + 10 > text.size() || text.compare(digits + 8, 2, ".\n") != 0) continue;
    bool hex = true;
    for (size_t i = digits; i < digits + 8; ++i) {
      char c = text[i];
      hex = hex && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    }
    if (hex) text.replace(digits, 8, "XXXXXXXX");
  }
  return text;
}

}  // namespace vantrel::testing
