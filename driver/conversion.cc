#include "driver/conversion.h"

#include <cstdio>
#include <cstring>

#include "driver/depth_stack.h"
#include "driver/registry.h"
#include "driver/writer.h"
#include "io/out_buffer.h"
#include "listing/listing.h"
#include "listing/reader.h"

int invisible_class = 0;

namespace {

int out_of_memory() {
  std::fputs("Erreur allocation.\n", stderr);
  return 1;
}

// One entry into the graph: the depth stack, the node, the edge from the
// caller. false when memory is exhausted.
bool add_entry(entry_kind kind, int32_t number, int32_t depth, padded_text name,
               padded_text signature, padded_text file, int32_t line) {
  if (!depth_stack_set(number, depth)) return false;
  if (kind == ENTRY_DEFINED) {
    if (!register_defined(number)) return false;
    write_node(name, number, signature, file, line);
  } else if (kind == ENTRY_EXTERNAL) {
    write_node(name, number, padded_text(), padded_text(), 0);
  }
  const int32_t caller = depth_stack_parent();
  if (caller != -1) write_edge(caller, number);
  return true;
}

// x, as the compiler cannot see through. The reader has just stored each
// view of an entry as two 8-byte halves; copied whole, as an argument on
// the stack, a view is one 16-byte load, which the store buffer cannot feed
// and which waits until both stores have left the core.
template <class T>
inline T opaque(T x) {
#if defined(__GNUC__)
  asm("" : "+r"(x));
#endif
  return x;
}

// The reader's sink; the context says whether memory ran out.
bool take_entry(void* out_of_memory, const listing_entry& e) {
  const padded_text file = e.file.part(0, opaque(e.file.size()));
  if (!add_entry(e.kind, e.number, e.depth, e.name, e.signature, file, e.line)) {
    *static_cast<bool*>(out_of_memory) = true;
    return false;
  }
  // Nobody reads the rest of a graph that cannot be written.
  return !graph_output.failed();
}

}  // namespace

int run_conversion(int input_fd) {
  write_graph_header();
  bool memory_ran_out = false;
  const read_result read = read_listing(input_fd, take_entry, &memory_ran_out);
  switch (read.status) {
    case read_status::done:
      write_graph_footer();
      return graph_output.failed() ? 1 : 0;
    case read_status::syntax_error:
      std::fprintf(stderr, "Syntax error line %lld\n", read.line);
      return 1;
    case read_status::unrecognized:
      std::fputs("Error: input format not recognized.\n       Read interupted.\n", stderr);
      return 1;
    case read_status::read_error:
      std::fprintf(stderr, "Read error: %s\n", std::strerror(read.error));
      return 1;
    case read_status::no_memory:
      return out_of_memory();
    case read_status::stopped:
      // The write error itself is the caller's to report.
      return memory_ran_out ? out_of_memory() : 1;
  }
  return 1;
}

void reset_driver_state() {
  input_format = FORMAT_AUTO;
  invisible_class = 0;
  reset_depth_stack();
  reset_registry();
}
