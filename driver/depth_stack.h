// The depth stack, from which each entry's caller is found.
#ifndef TANGLET_DRIVER_DEPTH_STACK_H_
#define TANGLET_DRIVER_DEPTH_STACK_H_

#include <cstddef>
#include <cstdint>

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

// Back to the state at start, for tests.
void reset_depth_stack();

#endif  // TANGLET_DRIVER_DEPTH_STACK_H_
