// Runs a whole conversion in process, from fresh state, and keeps the graph.
#ifndef TANGLET_TESTS_CONVERT_H_
#define TANGLET_TESTS_CONVERT_H_

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "driver/driver.h"
#include "driver/output.h"
#include "listing/listing.h"

struct conversion {
  int status;
  std::string out;
};

inline conversion convert(std::string_view input, int layout = FORMAT_AUTO, int invisible = 0) {
  reset_driver_state();
  input_format = layout;
  invisible_class = invisible;
  conversion result{1, {}};
  const int fd = memfd_create("listing", 0);
  if (fd < 0 || write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
      lseek(fd, 0, SEEK_SET) != 0) {
    return result;
  }
  graph_output.reset(-1, &result.out);
  result.status = run_conversion(fd);
  graph_output.flush();
  close(fd);
  return result;
}

#endif  // TANGLET_TESTS_CONVERT_H_
