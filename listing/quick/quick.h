// The quick road: one classification of a line into bit masks, then the
// shapes that cflow writes read off the masks. It answers only when the
// general reading would give the same entry; for anything else (a sign, a
// long number, a TAB, '"' or '\\' after the number, a signature comma that no
// "<file line" follows, a syntax error) it declines and the general reading
// decides.
//
// Words used here and in grammar.inc:
//   road     a way of reading a line. The general reading (listing.cc) reads
//            any line; a quick road reads the common shapes only, fast.
//   decline  a quick road's "not mine": the line goes to the general reading.
//   shape    a line once classified: its masks, number, depth and first token.
//   slack    readable bytes past the end of a line (kLineSlack), so that the
//            64-byte loads of the classifiers need no bounds checks.
//   places   an entry whose text fields are still offsets into the line.
//
// The road is built once for each instruction set (one file each here) from
// the same grammar, and the best one the processor has is used. Where no
// vector instructions are known there is no quick road: byte by byte, the
// masks cost more than the general reading saves.
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
  // For a text of at most kQuickMaxLine bytes. true: entry holds what the
  // general reading would give.
  bool (*sun)(padded_text text, listing_entry& entry);
  bool (*free)(padded_text text, listing_entry& entry);
  // Reads the lines at the start of text, as many as come one after another
  // in the common shapes, each ended by a newline, handing each entry to
  // sink at once, so that what the sink does about the entry's kind follows
  // the reading's own branches on it. The rest, from the first other line
  // on, is for the general reading.
  quick_block (*sun_block)(padded_text text, quick_sink sink, void* context);
  quick_block (*free_block)(padded_text text, quick_sink sink, void* context);
};

// A road of this build, named, with what the processor needs for it.
struct quick_road_entry {
  const char* name;
  const char* features;
  bool (*supported)();
  const quick_road* road;
};

// The roads of this build, plainest first; empty where none is known.
struct quick_road_list {
  const quick_road_entry* first;
  size_t count;
  const quick_road_entry* begin() const { return first; }
  const quick_road_entry* end() const { return first + count; }
};
quick_road_list quick_roads();

// The best road this processor has, or null for none.
const quick_road* best_quick_road();

// The road in use, or null for the general reading alone. Tests set it to
// each road in turn, then back to best_quick_road().
extern const quick_road* current_quick_road;

#endif  // TANGLET_LISTING_QUICK_QUICK_H_
