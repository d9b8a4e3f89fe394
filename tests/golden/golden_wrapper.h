#pragma once
// Running the golden cases through a command prefix: wine for the Windows
// build (scripts/check-windows.sh), qemu-user for the aarch64 build
// (scripts/check-aarch64.sh):
//   VANTREL_GOLDEN_WRAPPER  the prefix, words separated by blanks ("wine")
//   VANTREL_GOLDEN_EXE      the program to run in place of the one built
//                           beside the runner (".../vantrel.exe")
// Under a prefix, a case whose setup cannot apply is skipped, with the
// reason: an address-space limit (neither wine nor qemu starts within one);
// for wine also running without root rights (wine refuses a prefix that
// another user owns), links, and a file-size limit (its signal ends wine,
// which does not ignore it). For a
// Windows program (a name ending in ".exe") the module that the fault report
// names, "vantrel.exe", is taken as "vantrel". The Windows program reports
// the system's own error codes; for every failure the cases make, they are
// the codes the POSIX build translates errno into.
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace vantrel::testing {

inline std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

inline bool underWrapper() { return !environmentText("VANTREL_GOLDEN_WRAPPER").empty(); }

// A program name without a folder, found in PATH (the runner starts
// programs by their path).
inline std::string findInPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::istringstream folders(environmentText("PATH"));
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (std::filesystem::is_regular_file(candidate)) return candidate;
  }
  return name;
}

// The command that runs the program: the prefix's words, then the program.
inline std::vector<std::string> programCommand(const std::string& builtProgram) {
  std::vector<std::string> command;
  std::istringstream words(environmentText("VANTREL_GOLDEN_WRAPPER"));
  for (std::string word; words >> word;) command.push_back(command.empty() ? findInPath(word) : word);
  std::string program = environmentText("VANTREL_GOLDEN_EXE");
  command.push_back(program.empty() ? builtProgram : program);
  return command;
}

inline bool windowsProgram() {
  std::string program = environmentText("VANTREL_GOLDEN_EXE");
  return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

// Why a case with this setup command (and its first word) cannot run under
// the prefix; empty if it can.
inline std::string skipUnderWrapper(const std::string& command, const std::string& first) {
  if (!underWrapper()) return {};
  if (command == "memory") return "the emulator does not start within a small address-space limit";
  if (!windowsProgram()) return {};
  if (command == "nobody") return "wine does not run for a user who does not own its prefix";
  if (command == "symlink" || command == "chown-nobody") return "links are a POSIX matter here";
  if (command == "fsize") return "the signal of a file-size limit ends wine, which does not ignore it";
  if (command == "stdout" && first == "append") {
    return "wine gives no file identity for a standard output the host opened, and /dev/stdout is a POSIX name";
  }
  return {};
}

// Why a case with this argument cannot run under the prefix; empty if it can.
inline std::string skipArgumentUnderWrapper(const std::string& argument) {
  if (windowsProgram() && argument.find('"') != std::string::npos) {
    return "a Windows command line passes no double quote as it is";
  }
  return {};
}

// The console bytes with the Windows program's module name as the native one's.
inline std::string nativeModuleName(std::string output) {
  if (!windowsProgram()) return output;
  const std::string windows = " in module vantrel.exe at ";
  for (size_t at = output.find(windows); at != std::string::npos; at = output.find(windows, at + 1)) {
    output.replace(at, windows.size(), " in module vantrel at ");
  }
  return output;
}

}  // namespace vantrel::testing
