// The quick road for any processor: bytes classified one by one.
#include "listing/quick/quick.h"

#define TANGLET_QUICK_ROAD quick_road_scalar
#include "listing/quick/grammar.inc"

namespace {

inline void classify_word(const char* p, const char marks[3], word_masks& w) {
  w = {};
  for (size_t i = 0; i < 64; ++i) {
    const char c = p[i];
    const uint64_t bit = uint64_t{1} << i;
    if (c == ' ' || (c >= '\t' && c <= '\r')) w.space |= bit;
    if (c == '\t' || c == '"' || c == '\\') w.rare |= bit;
    if (c == '\n' || c == '\0') w.end |= bit;
    for (int k = 0; k < 3; ++k) {
      if (c == marks[k]) w.mark[k] |= bit;
    }
  }
}

}  // namespace
