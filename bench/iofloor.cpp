// The I/O floor of a conversion: one thread reads the document in blocks of
// 1 MiB and writes as many bytes as the conversion's output to a new file,
// with no work between. A converter that writes its output no faster than
// this is at the machine's limit.
//
//   iofloor INPUT OUTPUT BYTES
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: iofloor INPUT OUTPUT BYTES\n");
    return 2;
  }
  const int in = open(argv[1], O_RDONLY);
  const int out = open(argv[2], O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (in < 0 || out < 0) {
    std::perror("iofloor");
    return 1;
  }
  unsigned long long left = std::strtoull(argv[3], nullptr, 10);
  std::vector<char> block(size_t{1} << 20);
  size_t filled = 0;
  while (left > 0) {
    // Each block read is written out, and again while the output needs more
    // bytes than the input has.
    if (filled == 0) {
      ssize_t got = read(in, block.data(), block.size());
      if (got < 0) return 1;
      if (got == 0) lseek(in, 0, SEEK_SET);
      filled = static_cast<size_t>(got);
      if (filled == 0) continue;
    }
    size_t count = filled < left ? filled : static_cast<size_t>(left);
    if (write(out, block.data(), count) != static_cast<ssize_t>(count)) return 1;
    left -= count;
    if (left > 0 && count == filled) filled = 0;
  }
  return close(out) == 0 ? 0 : 1;
}
