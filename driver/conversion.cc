#include <cstdio>
#include <cstring>

#include "driver/driver.h"
#include "driver/line_reader.h"
#include "driver/output.h"
#include "listing/listing.h"

int invisible_class = 0;

namespace {

// An empty text field that, like the others, readable bytes follow.
const char kNoText[kLineSlack] = {};

int out_of_memory() {
  std::fputs("Erreur allocation.\n", stderr);
  return 1;
}

}  // namespace

int run_conversion(int input_fd) {
  line_reader reader(input_fd);
  listing_entry entry;
  long long line_count = 0;  // physical lines; never wraps
  write_graph_header();
  for (;;) {
    std::string_view line;
    const int got = reader.next(line);
    if (got == READ_END) break;
    if (got == READ_FAILED) {
      std::fprintf(stderr, "Read error: %s\n", std::strerror(reader.error()));
      return 1;
    }
    if (got == READ_NO_MEMORY) return out_of_memory();
    ++line_count;

    const int parsed = parse_padded_line(line, entry);
    if (parsed == PARSE_UNRECOGNIZED) {
      std::fputs("Error: input format not recognized.\n       Read interupted.\n", stderr);
      return 1;
    }
    if (parsed != PARSE_OK) {
      std::fprintf(stderr, "Syntax error line %lld\n", line_count);
      return 1;
    }

    if (!depth_stack_set(entry.number, entry.depth)) return out_of_memory();
    if (entry.kind == ENTRY_DEFINED) {
      if (!register_defined(entry.number)) return out_of_memory();
      write_node(entry.name, entry.number, entry.signature, entry.file, entry.line);
    } else if (entry.kind == ENTRY_EXTERNAL) {
      const std::string_view none(kNoText, 0);
      write_node(entry.name, entry.number, none, none, 0);
    }
    const int32_t caller = depth_stack_parent();
    if (caller != -1) write_edge(caller, entry.number);
    // Nobody reads the rest of a graph that cannot be written.
    if (graph_output.failed()) return 1;
  }
  write_graph_footer();
  return graph_output.failed() ? 1 : 0;
}

void reset_driver_state() {
  input_format = FORMAT_AUTO;
  invisible_class = 0;
  reset_depth_stack();
  reset_registry();
}
