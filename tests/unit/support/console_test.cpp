#include "support/console/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "helpers/test_files.h"
#include "support/faults/faults.h"

namespace vantrel {
namespace {

class Console : public ::testing::Test {
 protected:
  void SetUp() override { ioStatus = 0; }
  void TearDown() override {
    resetConsole(1);
    ioStatus = 0;
  }
};

int pending(int fd) {
  int count = 0;
  ioctl(fd, FIONREAD, &count);
  return count;
}

std::string drain(int fd) {
  std::string bytes;
  char buffer[4096];
  while (pending(fd) > 0) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

// Waits until `count` bytes have arrived on a terminal's master side.
std::string readTerminal(int master, size_t count) {
  std::string bytes;
  while (bytes.size() < count) {
    pollfd entry{master, POLLIN, 0};
    if (poll(&entry, 1, 10000) <= 0) break;
    char buffer[256];
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

IoCode caughtCode() {
  try {
    checkIo();
  } catch (const EInOutError& fault) {
    return fault.code();
  }
  return 0;
}

TEST_F(Console, PipeGetsWholeBlocksAndTheRestAtTheEnd) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  resetConsole(ends[1]);
  std::string sent;
  for (int i = 0; i < 127; ++i) sent += static_cast<char>('a' + i % 26);
  writeText(sent);
  writeLine();  // a pipe is no terminal: flushing passes nothing on
  EXPECT_EQ(pending(ends[0]), 128);
  EXPECT_EQ(drain(ends[0]), sent + "\r");
  writeChar('.');
  flushOutput();
  writeText(std::string(300, 'z'));
  EXPECT_EQ(pending(ends[0]), 256);
  checkIo();
  closeConsole();
  EXPECT_EQ(drain(ends[0]), "\n." + std::string(300, 'z'));
  close(ends[0]);
  close(ends[1]);
}

TEST_F(Console, FileGetsLargeBlocksAndTheWholeBlocksOnRequest) {
  testing::TempDir dir;
  int fd = open(dir.file("out").c_str(), O_WRONLY | O_CREAT, 0644);
  resetConsole(fd);
  writeText(std::string(200, 'x'));
  writeLine();
  EXPECT_EQ(testing::readFile(dir.file("out")).size(), 0u);
  passOnWholeBlocks();
  EXPECT_EQ(testing::readFile(dir.file("out")).size(), 128u);
  writeText(std::string(ConsoleChannel::fileBlockSize, 'y'));
  EXPECT_EQ(testing::readFile(dir.file("out")).size(), 128u + ConsoleChannel::fileBlockSize);
  closeConsole();
  EXPECT_EQ(testing::readFile(dir.file("out")),
            std::string(200, 'x') + "\r\n" + std::string(ConsoleChannel::fileBlockSize, 'y'));
  close(fd);
  // A file that takes no writes: the failure waits for checkIo.
  fd = open(dir.file("out").c_str(), O_RDONLY);
  resetConsole(fd);
  writeText(std::string(200, 'x'));
  passOnWholeBlocks();
  EXPECT_NE(caughtCode(), 0);
  close(fd);
}

TEST_F(Console, TerminalShowsEveryFlushAtOnce) {
  int master = -1;
  int slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  resetConsole(slave);
  writeText("banner");
  writeLine();
  EXPECT_EQ(readTerminal(master, 8), "banner\r\n");
  for (int i = 0; i < 3; ++i) {
    writeChar('.');
    flushOutput();
    checkIo();
    EXPECT_EQ(readTerminal(master, 1), ".");
  }
  close(master);
  close(slave);
}

TEST_F(Console, FailedWritesAreFoundByCheckIo) {
  int full = open("/dev/full", O_WRONLY);
  resetConsole(full);
  writeText("lost");
  EXPECT_EQ(ioStatus, 0);  // still in the buffer
  writeLine();             // /dev/full is a character device: the flush writes
  EXPECT_EQ(ioStatus, 112);
  EXPECT_EQ(caughtCode(), 112);
  EXPECT_EQ(ioStatus, 0);
  checkIo();  // nothing pending any more
  close(full);
}

TEST_F(Console, ClosedPipeGivesCode232) {
  std::signal(SIGPIPE, SIG_IGN);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  resetConsole(ends[1]);
  writeText(std::string(128, 'x'));
  EXPECT_EQ(caughtCode(), 232);
  close(ends[1]);
}

TEST_F(Console, ChannelThatCannotOpen) {
  resetConsole(1000);  // no such descriptor
  flushOutput();
  EXPECT_EQ(caughtCode(), 103);
  writeText("x");
  EXPECT_EQ(caughtCode(), 105);
  closeConsole();
  EXPECT_EQ(ioStatus, 0);
}

}  // namespace
}  // namespace vantrel
