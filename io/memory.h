// Growing the few arrays that grow: the line buffer, the depth stack and the
// registry. Tests swap the allocator to make exhausted memory happen.
#ifndef TANGLET_IO_MEMORY_H_
#define TANGLET_IO_MEMORY_H_

#include <cstddef>

// realloc, unless a test has put something else here.
extern void* (*reallocate)(void* block, size_t bytes);

// Grows block to count elements of size bytes each, checking the product.
// Returns nullptr (block unchanged) when that much memory cannot be had.
void* resize_array(void* block, size_t count, size_t size);

#endif  // TANGLET_IO_MEMORY_H_
