// Sorting the bytes of a short line into the classes that the grammars ask
// about, a bit a byte, with the widest vector instructions the processor has.
#ifndef TANGLET_LISTING_CLASSIFY_H_
#define TANGLET_LISTING_CLASSIFY_H_

#include <cstddef>
#include <cstdint>

// Bit i of word i / 64 stands for byte i; bytes from n on are in no class.
struct line_masks {
  static constexpr size_t kMaxLine = 128;
  uint64_t space[2];    // the C library's white space
  uint64_t rare[2];     // TAB, '"' and '\\': what the quick road leaves alone
  uint64_t mark[3][2];  // each of the three characters asked for
};

// Classifies p[0, n), n at most kMaxLine. Reads up to 64 bytes past p + n,
// which the caller guarantees are readable; what they hold does not matter.
using classify_fn = void (*)(const char* p, size_t n, const char marks[3], line_masks& m);

// The processors' instruction sets, from the plainest up.
enum : int { CLASSIFY_SCALAR = 0, CLASSIFY_SSE2 = 1, CLASSIFY_AVX2 = 2, CLASSIFY_AVX512 = 3 };

// The classifier in use: the best one the processor has, unless a test chose.
extern classify_fn classify_line;
// Whether this processor (and build) has the level.
bool classify_supported(int level);
// Makes classify_line the level's classifier; false (and no change) when the
// level is not supported. The best level again: use_classifier(best_classifier()).
bool use_classifier(int level);
int best_classifier();

#endif  // TANGLET_LISTING_CLASSIFY_H_
