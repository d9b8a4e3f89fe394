#include "helpers/child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace vantrel::testing {

namespace {

constexpr uid_t nobodyId = 65534;

void dropRights() {
  if (getuid() == 0) {
    if (setgid(nobodyId) != 0 || setuid(nobodyId) != 0) _exit(125);
  }
}

ChildResult waitFor(pid_t pid, ChildResult result) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  result.exited = WIFEXITED(status);
  if (result.exited) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

// A pseudo-terminal in raw mode (nothing added to line ends): ends[0] the
// side the parent reads, ends[1] the child's terminal.
void openTerminal(int ends[2]) {
  ends[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (ends[0] < 0 || grantpt(ends[0]) != 0 || unlockpt(ends[0]) != 0) throw std::runtime_error("no terminal");
  ends[1] = open(ptsname(ends[0]), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios mode{};
  if (ends[1] < 0 || tcgetattr(ends[1], &mode) != 0) throw std::runtime_error("no terminal");
  cfmakeraw(&mode);
  tcsetattr(ends[1], TCSANOW, &mode);
}

}  // namespace

bool runningAsRoot() { return geteuid() == 0; }

void openFolderToAll(const std::string& path) { chmod(path.c_str(), 0777); }

ChildResult runChild(const std::vector<std::string>& argv, const ChildOptions& options) {
  int pipeEnds[2] = {-1, -1};
  bool usesPipe = options.output == ChildOutput::capture || options.output == ChildOutput::brokenPipe;
  if (usesPipe && pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (options.output == ChildOutput::brokenPipe) {
    close(pipeEnds[0]);  // nobody will ever read
    pipeEnds[0] = -1;
  }

  if (options.output == ChildOutput::terminal) openTerminal(pipeEnds);

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0) _exit(126);
    switch (options.output) {
      case ChildOutput::capture:
      case ChildOutput::brokenPipe:
      case ChildOutput::terminal:
        dup2(pipeEnds[1], 1);
        break;
      case ChildOutput::devFull: {
        int fd = open("/dev/full", O_WRONLY);
        dup2(fd, 1);
        close(fd);
        break;
      }
      case ChildOutput::closed:
        close(1);
        break;
      case ChildOutput::file: {
        int fd =
            open(options.outputFile.c_str(), O_WRONLY | O_CREAT | (options.appendOutput ? O_APPEND : O_TRUNC), 0644);
        dup2(fd, 1);
        close(fd);
        break;
      }
    }
    if (!options.inputFile.empty()) {
      int fd = open(options.inputFile.c_str(), O_RDONLY);
      if (fd < 0 || dup2(fd, 0) < 0) _exit(126);
      close(fd);
    }
    if (!options.errorFile.empty()) {
      int fd = open(options.errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || dup2(fd, 2) < 0) _exit(126);
      close(fd);
    }
    if (options.addressLimit > 0) {
      rlimit limit{static_cast<rlim_t>(options.addressLimit), static_cast<rlim_t>(options.addressLimit)};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (options.fileSizeLimit > 0) {
      rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.asNobody) dropRights();
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }

  ChildResult result;
  if (usesPipe || options.output == ChildOutput::terminal) close(pipeEnds[1]);
  if (options.output == ChildOutput::capture || options.output == ChildOutput::terminal) {
    char buffer[65536];
    for (;;) {
      ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      result.output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeEnds[0]);
  }
  return waitFor(pid, result);
}

int runInChild(const std::function<int()>& body, bool asNobody) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (asNobody) dropRights();
    _exit(body() & 0xFF);
  }
  ChildResult result = waitFor(pid, ChildResult{});
  return result.exited ? result.exitStatus : 256 + result.signal;
}

}  // namespace vantrel::testing
