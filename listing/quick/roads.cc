#include "listing/quick/quick.h"

#if defined(TANGLET_QUICK_X86)

extern const quick_road quick_road_sse2, quick_road_avx2;

namespace {

bool always() { return true; }  // x86-64 has SSE2 from the start

bool has_avx2() {
  __builtin_cpu_init();  // may run before the library's own constructors
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}

// AVX-512 was measured and gained nothing over AVX2: a line's masks are one
// or two words either way.
const quick_road_entry kRoads[] = {
    {"sse2", "SSE2", always, &quick_road_sse2},
    {"avx2", "AVX2 BMI BMI2 POPCNT", has_avx2, &quick_road_avx2},
};

}  // namespace

quick_road_list quick_roads() { return {kRoads, sizeof kRoads / sizeof kRoads[0]}; }

#else

quick_road_list quick_roads() { return {nullptr, 0}; }

#endif

const quick_road* best_quick_road() {
  const quick_road* best = nullptr;
  for (const quick_road_entry& r : quick_roads()) {
    if (r.supported()) best = r.road;
  }
  return best;
}

const quick_road* current_quick_road = best_quick_road();
