#include "driver/registry.h"

#include <cstdlib>
#include <cstring>

#include "io/memory.h"

int32_t* defined_numbers = nullptr;
size_t defined_count = 0;
bool registry_ascending = true;

namespace {

// Listings number their lines in order, so the registry normally ascends and a
// binary search answers. Once a number comes lower than the one before, every
// number also goes into this hash set, which answers from then on.
int64_t* index_slots = nullptr;  // kEmpty or a number
size_t index_capacity = 0;       // a power of two
size_t index_used = 0;
constexpr int64_t kEmpty = INT64_MIN;

size_t slot_of(int32_t number) {
  const uint64_t h = static_cast<uint32_t>(number) * uint64_t{0x9E3779B97F4A7C15};
  return static_cast<size_t>(h ^ (h >> 32)) & (index_capacity - 1);
}

// The slot holding number, or the empty slot where it would go.
size_t find_slot(int32_t number) {
  size_t i = slot_of(number);
  while (index_slots[i] != kEmpty && index_slots[i] != number) i = (i + 1) & (index_capacity - 1);
  return i;
}

bool index_insert(int32_t number) {
  if ((index_used + 1) * 2 > index_capacity) {
    const size_t capacity = index_capacity == 0 ? 1024 : index_capacity * 2;
    auto* slots = static_cast<int64_t*>(resize_array(nullptr, capacity, sizeof(int64_t)));
    if (slots == nullptr) return false;
    int64_t* old = index_slots;
    const size_t old_capacity = index_capacity;
    index_slots = slots;
    index_capacity = capacity;
    for (size_t i = 0; i < capacity; ++i) index_slots[i] = kEmpty;
    for (size_t i = 0; i < old_capacity; ++i) {
      if (old[i] != kEmpty) index_slots[find_slot(static_cast<int32_t>(old[i]))] = old[i];
    }
    std::free(old);
  }
  const size_t i = find_slot(number);
  if (index_slots[i] == kEmpty) {
    index_slots[i] = number;
    ++index_used;
  }
  return true;
}

}  // namespace

int compare_numbers(int32_t a, int32_t b) { return a > b ? 1 : a < b ? -1 : 0; }

int64_t append_number(int32_t value, size_t chunk, int32_t*& list, size_t& count) {
  if (list == nullptr || count % chunk == 0) {
    auto* grown = static_cast<int32_t*>(resize_array(list, count + chunk, sizeof(int32_t)));
    if (grown == nullptr) return -1;
    list = grown;
  }
  list[count] = value;
  return static_cast<int64_t>(count++);
}

bool register_defined_slowly(int32_t number) {
  if (registry_ascending && defined_count > 0 &&
      compare_numbers(number, defined_numbers[defined_count - 1]) < 0) {
    for (size_t i = 0; i < defined_count; ++i) {
      if (!index_insert(defined_numbers[i])) return false;
    }
    registry_ascending = false;
  }
  if (!registry_ascending && !index_insert(number)) return false;
  return append_number(number, kRegistryChunk, defined_numbers, defined_count) >= 0;
}

bool is_defined(int32_t number) {
  if (!registry_ascending) return index_slots[find_slot(number)] != kEmpty;
  if (defined_count == 0) return false;
  // Most calls go to the function defined last, or to a line not defined
  // at all, which comes after it.
  const int last = compare_numbers(number, defined_numbers[defined_count - 1]);
  if (last >= 0) return last == 0;
  // A binary search without branches, that fetches the middles of the four
  // quarters two steps ahead: a large registry is mostly not in the cache,
  // and the steps then wait for memory together rather than one after the
  // other. (Near enough is good enough: a cache line holds 16 numbers.)
  const int32_t* base = defined_numbers;
  size_t n = defined_count;
  while (n > 1) {
    const size_t half = n / 2, quarter = n / 4, eighth = n / 8;
    __builtin_prefetch(base + eighth);
    __builtin_prefetch(base + quarter + eighth);
    __builtin_prefetch(base + half + eighth);
    __builtin_prefetch(base + half + quarter + eighth);
    base = compare_numbers(base[half], number) <= 0 ? base + half : base;
    n -= half;
  }
  return compare_numbers(*base, number) == 0;
}

void reset_registry() {
  std::free(defined_numbers);
  defined_numbers = nullptr;
  defined_count = 0;
  std::free(index_slots);
  index_slots = nullptr;
  index_capacity = 0;
  index_used = 0;
  registry_ascending = true;
}
