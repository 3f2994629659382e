/* A header's static inline function: a copy in every unit that calls it. */
static inline int twice(int x) { return 2 * x; }
