// A whole conversion in process, under the writer this target links. The
// first byte picks the options; the rest is the listing.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/conversion.h"
#include "driver/writer.h"
#include "io/out_buffer.h"
#include "listing/listing.h"
#include "listing/quick/quick.h"
#include "tests/graph_shape.h"

#ifndef FUZZ_LANGUAGE
#error "FUZZ_LANGUAGE must name the linked writer: GRAPH_VCG or GRAPH_DOT"
#endif

namespace {

void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.substr(0, 300).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("listing", 0);
  if (fd < 0 || size == 0) return 0;
  const int invisible = data[0] % 3;
  const int layout = data[0] / 3 % 3;  // FORMAT_SUN, FORMAT_FREE or FORMAT_AUTO
  if (ftruncate(fd, 0) != 0 ||
      pwrite(fd, data + 1, size - 1, 0) != static_cast<ssize_t>(size - 1) ||
      lseek(fd, 0, SEEK_SET) != 0) {
    return 0;
  }

  // Once with the quick road, once with the general reading alone: the
  // graphs must be the same.
  auto convert = [&](std::string& out) {
    reset_driver_state();
    input_format = layout;
    invisible_class = invisible;
    graph_output.reset(-1, &out);
    lseek(fd, 0, SEEK_SET);
    const int status = run_conversion(fd);
    graph_output.flush();
    return status;
  };
  std::string out, general;
  const int status = convert(out);
  current_quick_road = nullptr;
  const int general_status = convert(general);
  current_quick_road = best_quick_road();
  if (status != general_status || out != general) fail("quick road", out);

  if (status != 0 && status != 1) fail("status", std::to_string(status));
  const std::string shape = check_graph_shape(FUZZ_LANGUAGE, invisible, out, status == 0);
  if (!shape.empty()) fail("shape", shape);
  return 0;
}
