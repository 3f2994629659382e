#include "view/big.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kBig = size_t{1} << 20;
constexpr size_t kHuge = size_t{2} << 20;

[[noreturn]] void exhausted() {
  if (const std::new_handler h = std::get_new_handler()) h();
  std::abort();
}

size_t mapped_size(size_t bytes) { return (bytes + kHuge - 1) & ~(kHuge - 1); }

}  // namespace

void* big_allocate(size_t bytes) {
  if (bytes < kBig) {
    if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
    exhausted();
  }
  const size_t size = mapped_size(bytes);
  // Map a huge page more, then give back what lies outside the aligned part.
  void* raw =
      mmap(nullptr, size + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) exhausted();
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHuge - 1) & ~(kHuge - 1);
  if (aligned > start) munmap(raw, aligned - start);
  if (const size_t tail = start + size + kHuge - (aligned + size); tail > 0)
    munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void big_free(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (bytes < kBig) {
    std::free(block);
    return;
  }
  munmap(block, mapped_size(bytes));
}
