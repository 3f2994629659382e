// The classes of 64 bytes, byte by byte: plainly right, and the reference
// that the tests hold each road's classifier to.
#ifndef TANGLET_LISTING_QUICK_REFERENCE_H_
#define TANGLET_LISTING_QUICK_REFERENCE_H_

#include "listing/quick/quick.h"

inline void classify_reference(const char* p, const char marks[3], word_masks& w) {
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

#endif  // TANGLET_LISTING_QUICK_REFERENCE_H_
