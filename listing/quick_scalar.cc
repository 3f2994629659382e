// The quick road for any processor: bytes classified one by one.
#include "listing/quick.h"

#define TANGLET_QUICK_ROAD quick_road_scalar
#include "listing/quick_grammar.inc"

namespace {

inline void classify(const char* p, size_t n, const char marks[3], line_masks& m) {
  m = {};
  for (size_t i = 0; i < n; ++i) {
    const char c = p[i];
    const uint64_t bit = uint64_t{1} << (i % 64);
    const size_t w = i / 64;
    if (c == ' ' || (c >= '\t' && c <= '\r')) m.space[w] |= bit;
    if (c == '\t' || c == '"' || c == '\\') m.rare[w] |= bit;
    if (c == '\n' || c == '\0') m.end[w] |= bit;
    for (int k = 0; k < 3; ++k) {
      if (c == marks[k]) m.mark[k][w] |= bit;
    }
  }
}

}  // namespace
