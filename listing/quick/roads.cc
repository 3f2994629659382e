#include "listing/quick/quick.h"

extern const quick_road quick_road_scalar;
#if defined(TANGLET_QUICK_X86)
extern const quick_road quick_road_sse2, quick_road_avx2, quick_road_avx512;
#endif

const quick_road* current_quick_road = quick_road_of(best_quick_road());

const quick_road* quick_road_of(int level) {
  switch (level) {
    case QUICK_SCALAR:
      return &quick_road_scalar;
#if defined(TANGLET_QUICK_X86)
    case QUICK_SSE2:
      return &quick_road_sse2;
    case QUICK_AVX2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                     __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt")
                 ? &quick_road_avx2
                 : nullptr;
    case QUICK_AVX512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                     quick_road_of(QUICK_AVX2) != nullptr
                 ? &quick_road_avx512
                 : nullptr;
#endif
    default:
      return nullptr;
  }
}

int best_quick_road() {
#if defined(TANGLET_QUICK_X86)
  __builtin_cpu_init();  // may run before the library's own constructors
#endif
  int level = QUICK_AVX512;
  while (quick_road_of(level) == nullptr) --level;
  return level;
}

bool use_quick_road(int level) {
  if (level == QUICK_NONE) {
    current_quick_road = nullptr;
    return true;
  }
  const quick_road* r = quick_road_of(level);
  if (r == nullptr) return false;
  current_quick_road = r;
  return true;
}
