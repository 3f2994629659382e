// One line of a call-graph listing, in the "sun" or the "free" layout.
#ifndef TANGLET_LISTING_LISTING_H_
#define TANGLET_LISTING_LISTING_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/padded.h"

// What a line lists: a function defined in the listed sources, one used but
// not defined there, or an earlier line's function again.
enum entry_kind : int { ENTRY_DEFINED = 0, ENTRY_EXTERNAL = 1, ENTRY_REFERENCE = 2 };
// The layouts of a listing, and automatic: the first line decides.
// FORMAT_GNU and FORMAT_POSIX are GNU cflow's own layouts (listing/gnu.h),
// which only tanglet-view reads: its default output, and the sun grammar
// indented with blanks. FORMAT_ANY lets the first line choose among all;
// FORMAT_SUN_ANY among the sun grammar's two ways of indenting only.
enum input_layout : int {
  FORMAT_SUN = 0,
  FORMAT_FREE = 1,
  FORMAT_AUTO = 2,
  FORMAT_GNU = 3,
  FORMAT_POSIX = 4,
  FORMAT_ANY = 5,
  FORMAT_SUN_ANY = 6
};

// The text fields view the line they were parsed from: they stay valid only
// until the next line is read, and the line's slack follows them too.
// signature, file and line are meaningful for ENTRY_DEFINED only.
struct listing_entry {
  entry_kind kind = ENTRY_DEFINED;
  int32_t number = 0;
  int32_t depth = 0;
  padded_text name;
  padded_text signature;
  padded_text file;
  int32_t line = 0;
};

// The layout in force; FORMAT_AUTO until the first line has been recognised.
extern int input_format;

// "sun" and "free" name their layouts; anything else means automatic.
input_layout format_from_name(std::string_view text);

// Results of parse_listing_line.
enum parse_result : int {
  PARSE_ERROR = 0,
  PARSE_OK = 1,
  // Automatic layout, and the first line fits neither grammar.
  PARSE_UNRECOGNIZED = 2,
};

// text is one line without its newline. Returns PARSE_OK with entry filled,
// PARSE_ERROR for a syntax error, or PARSE_UNRECOGNIZED (see above); the
// caller reports both failures.
parse_result parse_listing_line(padded_text text, listing_entry& entry);
int parse_sun_line(padded_text text, listing_entry& entry);
int parse_free_line(padded_text text, listing_entry& entry);
// parse_listing_line, where short lines of the shapes cflow writes take a
// quicker road that gives the same entries.
parse_result parse_padded_line(padded_text text, listing_entry& entry);
// Wide enough for any line that fits in memory.
int64_t count_char(std::string_view text, char c);

#endif  // TANGLET_LISTING_LISTING_H_
