// Entry point of both programs; each links its own graph writer.
#include <cstdio>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "driver/command_line.h"
#include "driver/conversion.h"
#include "driver/writer.h"
#include "io/broken_pipe.h"
#include "io/out_buffer.h"
#include "listing/listing.h"

int main(int argc, char** argv) {
  ignore_sigpipe();
#if defined(M_MMAP_THRESHOLD)
  // The registry grows 512 numbers at a time. Past the C library's default
  // threshold each growth of a block of its own is a system call that remaps
  // it; at the top of the heap the block just grows in place, and the heap
  // itself in steps of 4 MiB, whose pages cost nothing until touched.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TOP_PAD, 4 << 20);
#endif
  input_format = FORMAT_AUTO;
  invisible_class = 0;

  const int action = handle_command_line(argc, argv);
  if (action != COMMAND_RUN) {
    if (const int error = flush_stdout()) {
      end_if_reader_left(error);
      std::fprintf(stderr, "Write error: %s\n", std::strerror(error));
      return 1;
    }
    return action == COMMAND_EXIT_SUCCESS ? 0 : 1;
  }

  graph_output.reset(1);
  int status = run_conversion(0);
  // What was written before an early end stays written.
  if (!graph_output.flush()) {
    end_if_reader_left(graph_output.error());
    std::fprintf(stderr, "Write error: %s\n", std::strerror(graph_output.error()));
    status = 1;
  }
  return status;
}
