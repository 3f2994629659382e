#include "driver/depth_stack.h"

#include <cstdlib>
#include <cstring>

#include "io/memory.h"

namespace {
// Listings rarely nest deeper than this; deeper ones make the stack grow.
constexpr size_t kInitialDepths = 64;
int32_t initial_slots[kInitialDepths];
}  // namespace

int32_t* depth_stack = initial_slots;
size_t depth_capacity = kInitialDepths;
int32_t depth_top = 0;

bool depth_stack_grow(int32_t depth) {
  const size_t slot = static_cast<size_t>(depth);
  size_t capacity = depth_capacity;
  while (capacity <= slot) capacity *= 2;
  void* old = depth_stack == initial_slots ? nullptr : depth_stack;
  auto* grown = static_cast<int32_t*>(resize_array(old, capacity, sizeof(int32_t)));
  if (grown == nullptr) return false;
  if (old == nullptr) std::memcpy(grown, initial_slots, sizeof initial_slots);
  std::memset(grown + depth_capacity, 0, (capacity - depth_capacity) * sizeof(int32_t));
  depth_stack = grown;
  depth_capacity = capacity;
  return true;
}

void reset_depth_stack() {
  if (depth_stack != initial_slots) std::free(depth_stack);
  depth_stack = initial_slots;
  depth_capacity = kInitialDepths;
  std::memset(initial_slots, 0, sizeof initial_slots);
  depth_top = 0;
}
