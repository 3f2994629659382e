/* For the test that reads GCC's call graphs (-fcallgraph-info): static
   functions of one name in two units, a call through a pointer, a function
   whose address is taken and never called, a header's static inline. */
#include "inc/util.h"

int apply(int (*f)(int), int x);

static int helper(int x) { return twice(x) + 1; }
static int negate(int x) { return -x; }

int main(int argc, char **argv) {
  (void)argv;
  return apply(negate, argc) + helper(argc);
}
