/* A small program whose graph depends on its build: a -D picks a branch,
   a macro hides a call, two files have a static helper of one name, and a
   header defines an inline function. */
#include "util.h"

static int helper(int x) { return x + 1; }

int main(void) {
#ifdef USE_FAST
  fast_path();
#else
  slow_path();
#endif
  LOG("start");
  return helper(clamp(parse()));
}
