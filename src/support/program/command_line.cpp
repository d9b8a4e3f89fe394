#include "support/program/command_line.h"

#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vantrel {

namespace {

std::vector<std::string> arguments;

bool isBlank(unsigned char c) { return c >= 0x01 && c <= 0x20; }

size_t skipBlanks(std::string_view text, size_t pos) {
  for (;;) {
    if (pos < text.size() && isBlank(static_cast<unsigned char>(text[pos]))) {
      ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '"' && text[pos + 1] == '"') {
      pos += 2;
    } else {
      return pos;
    }
  }
}

size_t tokenEnd(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    auto c = static_cast<unsigned char>(text[pos]);
    if (c == '"') {
      size_t close = text.find('"', pos + 1);
      pos = close == std::string_view::npos ? text.size() : close + 1;
    } else if (c > 0x20) {
      ++pos;
    } else {
      break;
    }
  }
  return pos;
}

std::string ownFileName() {
#if defined(_WIN32)
  char path[MAX_PATH + 1] = "";
  if (GetModuleFileNameA(nullptr, path, sizeof path - 1) > 0) return std::string(path);
#elif defined(__linux__)
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n > 0) {
    path.resize(static_cast<size_t>(n));
    return path;
  }
#endif
  return arguments.empty() ? std::string() : arguments[0];
}

}  // namespace

void setCommandLine(int argc, const char* const* argv) { arguments.assign(argv, argv + argc); }

std::string commandLineParam(int32_t index) {
  if (index == 0) return ownFileName();
#if defined(_WIN32)
  // Windows hands the command line over as one text: it is cut here, so the
  // rules are the same whatever the C runtime would make of it.
  return commandLineToken(GetCommandLineA(), index);
#else
  if (index < 0 || static_cast<size_t>(index) >= arguments.size()) return {};
  return arguments[static_cast<size_t>(index)];
#endif
}

std::vector<std::string> commandLineArguments() {
  std::vector<std::string> params;
#if defined(_WIN32)
  for (int32_t i = 1;; ++i) {
    std::string param = commandLineParam(i);
    if (param.empty()) break;
    params.push_back(std::move(param));
  }
#else
  if (arguments.size() > 1) params.assign(arguments.begin() + 1, arguments.end());
#endif
  return params;
}

std::string commandLineToken(std::string_view commandLine, int32_t index) {
  // The command line ends at its first NUL byte, as a C string does.
  if (index < 0) return {};
  commandLine = commandLine.substr(0, commandLine.find('\0'));
  size_t pos = 0;
  std::string_view token;
  for (int32_t counter = index;; --counter) {
    size_t start = skipBlanks(commandLine, pos);
    pos = tokenEnd(commandLine, start);
    token = commandLine.substr(start, pos - start);
    if (counter == 0 || token.empty()) break;
  }
  if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
    token = token.substr(1, token.size() - 2);
  }
  return std::string(token);
}

}  // namespace vantrel
