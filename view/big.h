// Memory for the graph's large arrays. A big listing makes arrays of tens
// of megabytes whose every page is touched once, at random: a fault a 4 KiB
// page was a third of a run. Blocks from 1 MiB up are mapped on their own,
// aligned to 2 MiB and advised to the kernel for huge pages.
#ifndef TANGLET_VIEW_BIG_H_
#define TANGLET_VIEW_BIG_H_

#include <cstddef>
#include <vector>

void* big_allocate(size_t bytes);  // never null: the new handler, or abort
void big_free(void* block, size_t bytes);

template <class T>
struct big_allocator {
  using value_type = T;
  big_allocator() = default;
  template <class U>
  big_allocator(const big_allocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(big_allocate(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { big_free(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const big_allocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const big_allocator<U>&) const {
    return false;
  }
};

template <class T>
using big_vector = std::vector<T, big_allocator<T>>;

#endif  // TANGLET_VIEW_BIG_H_
