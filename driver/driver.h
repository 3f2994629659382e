// The conversion driver: the per-line loop, the depth stack that yields each
// call's caller, the registry of defined functions, and the graph writer
// operations that each program links once.
#ifndef TANGLET_DRIVER_DRIVER_H_
#define TANGLET_DRIVER_DRIVER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/padded.h"

// 0: all edges visible; 1 ("Interne") or 2 ("Externe"): that class is hidden.
extern int invisible_class;

// Graph writer: defined by the writer the program links.
void write_graph_header();
void write_node(padded_text name, int32_t number, padded_text signature, padded_text file,
                int32_t line);
void write_edge(int32_t source, int32_t target);
void write_graph_footer();

// Depth stack. Slot d holds the number of the last entry seen at depth d; all
// slots start at 0 and are only overwritten. It grows with the deepest entry.
extern int32_t* depth_stack;
extern size_t depth_capacity;
extern int32_t depth_top;  // depth of the last entry, minus one
// false when the stack cannot grow to depth.
bool depth_stack_grow(int32_t depth);
inline bool depth_stack_set(int32_t number, int32_t depth) {
  const size_t slot = static_cast<size_t>(depth);
  if (slot >= depth_capacity && !depth_stack_grow(depth)) return false;
  depth_top = depth - 1;
  depth_stack[slot] = number;
  return true;
}
// The caller of the last entry, or -1 at depth 0 and 1.
inline int32_t depth_stack_parent() { return depth_top >= 1 ? depth_stack[depth_top] : -1; }

// Registry: numbers of the defined entries, in input order.
extern int32_t* defined_numbers;
extern size_t defined_count;
// Stores value at position count, making room for chunk more entries when
// list is full. Returns the position, or -1 when memory is exhausted.
int64_t append_number(int32_t value, size_t chunk, int32_t*& list, size_t& count);
// The registry grows by this many numbers at a time.
constexpr size_t kRegistryChunk = 512;
// Whether every number registered so far came in ascending order.
extern bool registry_ascending;
// register_defined for what needs memory or breaks the order.
bool register_defined_slowly(int32_t number);
// Adds a defined entry's number; false when memory is exhausted. Inline for
// the common case: the next number of an ascending listing, with room.
inline bool register_defined(int32_t number) {
  if (registry_ascending && defined_count % kRegistryChunk != 0 &&
      number >= defined_numbers[defined_count - 1]) {
    defined_numbers[defined_count++] = number;
    return true;
  }
  return register_defined_slowly(number);
}
// True when number was registered by an earlier or the current definition.
bool is_defined(int32_t number);
int compare_numbers(int32_t a, int32_t b);

// Reads the listing from input_fd and writes the graph to graph_output.
// Reports its own failures on standard error; returns the exit status. A
// failed write ends it early with status 1 and is left to the caller to say.
int run_conversion(int input_fd = 0);

// Back to the state at program start: the settings, the depth stack and the
// registry (whose memory the programs themselves never give back).
void reset_driver_state();
void reset_depth_stack();
void reset_registry();

#endif  // TANGLET_DRIVER_DRIVER_H_
