// The quick road: one classification of the line into bit masks, then the
// shapes that cflow writes read off the masks. It answers only when the
// general reading would give the same entry; for anything else (a sign, a
// long number, a TAB, '"' or '\\' after the number, a signature comma that no
// "<file line" follows, a syntax error) it declines and the general reading
// decides.
//
// The road is built once for each instruction set (quick_*.cc) from the same
// grammar, and the best one the processor has is used.
#ifndef TANGLET_LISTING_QUICK_QUICK_H_
#define TANGLET_LISTING_QUICK_QUICK_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "listing/listing.h"

// The longest line, without its newline, that the quick road reads.
constexpr size_t kQuickMaxLine = 128;

// The classes of 64 bytes, a bit a byte (bit i for byte i), whatever they
// hold: the word that classifiers make.
struct word_masks {
  uint64_t space;    // the C library's white space
  uint64_t rare;     // TAB, '"' and '\\': what the quick road leaves alone
  uint64_t mark[3];  // each of the three characters asked for
  uint64_t end;      // newline and NUL: where the text of a line ends
};

// Takes each entry that a block reading yields, as soon as it is read;
// false stops the reading after it.
using quick_sink = bool (*)(void* context, const listing_entry& entry);

// What a block reading took: the bytes of the lines read, newlines
// included, how many lines they were, and whether the sink stopped it.
struct quick_block {
  size_t bytes;
  size_t lines;
  bool stopped;
};

struct quick_road {
  // Sorts p[0, 64) into masks; marks are the three characters asked for.
  void (*classify)(const char* p, const char marks[3], word_masks& w);
  // For a text of at most kQuickMaxLine bytes that kLineSlack readable
  // bytes follow. true: entry holds what the general reading would give.
  bool (*sun)(std::string_view text, listing_entry& entry);
  bool (*free)(std::string_view text, listing_entry& entry);
  // Reads the lines at the start of p[0, n), as many as come one after
  // another in the common shapes, each ended by a newline, handing each
  // entry to sink at once, so that what the sink does about the entry's
  // kind follows the reading's own branches on it. The rest, from the first
  // other line on, is for the general reading. kLineSlack readable bytes
  // follow p + n.
  quick_block (*sun_block)(const char* p, size_t n, quick_sink sink, void* context);
  quick_block (*free_block)(const char* p, size_t n, quick_sink sink, void* context);
};

// The instruction sets, from the plainest up.
// QUICK_NONE: no quick road at all, every line the general way.
enum : int { QUICK_NONE = -1, QUICK_SCALAR = 0, QUICK_SSE2 = 1, QUICK_AVX2 = 2, QUICK_AVX512 = 3 };

// The road built for level, or null when this build or processor lacks it.
const quick_road* quick_road_of(int level);
// The best level this processor has.
int best_quick_road();
// Makes the level's road the one in use; false (no change) when there is
// none. Tests go through every level, then back to best_quick_road().
bool use_quick_road(int level);

// The road in use, or null for none.
extern const quick_road* current_quick_road;

#endif  // TANGLET_LISTING_QUICK_QUICK_H_
