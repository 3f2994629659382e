#include <cstdio>
#include <cstring>

#include "driver/driver.h"
#include "io/line_reader.h"
#include "io/out_buffer.h"
#include "listing/listing.h"
#include "listing/quick/quick.h"

int invisible_class = 0;

namespace {

// An empty text field that, like the others, readable bytes follow.
const char kNoText[kLineSlack] = {};

int out_of_memory() {
  std::fputs("Erreur allocation.\n", stderr);
  return 1;
}

// One entry into the graph: the depth stack, the node, the edge from the
// caller. false when memory is exhausted.
bool add_entry(int kind, int32_t number, int32_t depth, std::string_view name,
               std::string_view signature, std::string_view file, int32_t line) {
  if (!depth_stack_set(number, depth)) return false;
  if (kind == ENTRY_DEFINED) {
    if (!register_defined(number)) return false;
    write_node(name, number, signature, file, line);
  } else if (kind == ENTRY_EXTERNAL) {
    const std::string_view none(kNoText, 0);
    write_node(name, number, none, none, 0);
  }
  const int32_t caller = depth_stack_parent();
  if (caller != -1) write_edge(caller, number);
  return true;
}

// What the quick road's entries go to: the count of lines, and whether
// memory ran out.
struct quick_lines {
  long long* line_count;
  bool out_of_memory;
};

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

bool add_quick_entry(void* context, const listing_entry& e) {
  auto& lines = *static_cast<quick_lines*>(context);
  const std::string_view file(e.file.data(), opaque(e.file.size()));
  if (!add_entry(e.kind, e.number, e.depth, e.name, e.signature, file, e.line)) {
    lines.out_of_memory = true;
    return false;
  }
  ++*lines.line_count;
  // Nobody reads the rest of a graph that cannot be written.
  return !graph_output.failed();
}

// Lines of the common shapes, for as long as they come in what the reader
// holds; the first other line is left in the reader. false when memory is
// exhausted.
bool add_quick_lines(const quick_road& road, line_reader& reader, long long& line_count) {
  const auto block = input_format == FORMAT_FREE ? road.free_block : road.sun_block;
  const char* p;
  size_t n;
  reader.unread(p, n);
  quick_lines lines{&line_count, false};
  reader.consume(block(p, n, add_quick_entry, &lines));
  return !lines.out_of_memory;
}

}  // namespace

int run_conversion(int input_fd) {
  line_reader reader(input_fd);
  listing_entry entry;
  long long line_count = 0;  // physical lines; never wraps
  write_graph_header();
  for (;;) {
    // Once the layout is known, most lines take the quick road in blocks.
    if (input_format != FORMAT_AUTO && current_quick_road != nullptr) {
      if (!add_quick_lines(*current_quick_road, reader, line_count)) return out_of_memory();
      if (graph_output.failed()) return 1;
    }
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
    if (!add_entry(entry.kind, entry.number, entry.depth, entry.name, entry.signature, entry.file,
                   entry.line))
      return out_of_memory();
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
