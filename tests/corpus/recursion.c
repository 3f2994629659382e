/* Recursion, mutual recursion, and a function used from several places. */
#include <stdio.h>

int is_odd(unsigned n);

static void trace(const char *what, long value) { fprintf(stderr, "%s %ld\n", what, value); }

int fact(int n) {
  trace("fact", n);
  return n <= 1 ? 1 : n * fact(n - 1);
}

int is_even(unsigned n) {
  trace("even", n);
  return n == 0 ? 1 : is_odd(n - 1);
}

int is_odd(unsigned n) {
  trace("odd", n);
  return n == 0 ? 0 : is_even(n - 1);
}
