#include "inc/util.h"

static int helper(int x) { return twice(x); }

int apply(int (*f)(int), int x) { return f(helper(x)); }
