// The I/O floor: reads standard input in large blocks and writes BYTES bytes
// to standard output, as a converter that did no work at all would.
//
//   io-floor BYTES < input > output
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  static char block[1 << 20];
  unsigned long long left = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
  std::memset(block, 'x', sizeof block);
  for (;;) {
    const ssize_t n = read(0, block, sizeof block);
    if (n <= 0) break;
    // Write as we read, as a streaming converter does.
    const size_t out = left < static_cast<size_t>(n) * 2 ? left : static_cast<size_t>(n) * 2;
    for (size_t done = 0; done < out;) {
      const ssize_t w = write(1, block, out - done < sizeof block ? out - done : sizeof block);
      if (w <= 0) return 1;
      done += static_cast<size_t>(w);
    }
    left -= out;
  }
  while (left > 0) {
    const ssize_t w = write(1, block, left < sizeof block ? left : sizeof block);
    if (w <= 0) return 1;
    left -= static_cast<size_t>(w);
  }
  return 0;
}
