// Runs a whole conversion in process, from fresh state, and keeps the graph.
#ifndef TANGLET_TESTS_CONVERT_H_
#define TANGLET_TESTS_CONVERT_H_

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "driver/conversion.h"
#include "driver/writer.h"
#include "io/out_buffer.h"
#include "listing/listing.h"

struct conversion {
  int status;
  std::string out;
  std::string err;  // what it said on standard error
};

inline conversion convert(std::string_view input, int layout = FORMAT_AUTO, int invisible = 0) {
  reset_driver_state();
  input_format = layout;
  invisible_class = invisible;
  conversion result{1, {}, {}};
  const int fd = memfd_create("listing", 0);
  if (fd < 0 || write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
      lseek(fd, 0, SEEK_SET) != 0) {
    return result;
  }
  graph_output.reset(-1, &result.out);
  // Standard error goes to a file of its own meanwhile.
  const int err = memfd_create("stderr", 0);
  const int saved_err = dup(2);
  std::fflush(stderr);
  if (err >= 0 && saved_err >= 0) dup2(err, 2);
  result.status = run_conversion(fd);
  graph_output.flush();
  std::fflush(stderr);
  if (err >= 0 && saved_err >= 0) {
    dup2(saved_err, 2);
    char text[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(err, text, sizeof text, at)) > 0; at += n)
      result.err.append(text, static_cast<size_t>(n));
  }
  if (err >= 0) close(err);
  if (saved_err >= 0) close(saved_err);
  close(fd);
  return result;
}

#endif  // TANGLET_TESTS_CONVERT_H_
