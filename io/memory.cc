#include "io/memory.h"

#include <cstdlib>
#include <limits>

void* (*reallocate)(void* block, size_t bytes) = std::realloc;

void* resize_array(void* block, size_t count, size_t size) {
  if (size != 0 && count > std::numeric_limits<size_t>::max() / size) return nullptr;
  return reallocate(block, count * size);
}
