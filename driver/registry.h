// The registry of defined functions' numbers, which classes the edges.
#ifndef TANGLET_DRIVER_REGISTRY_H_
#define TANGLET_DRIVER_REGISTRY_H_

#include <cstddef>
#include <cstdint>

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

// Back to the state at start, for tests.
void reset_registry();

#endif  // TANGLET_DRIVER_REGISTRY_H_
